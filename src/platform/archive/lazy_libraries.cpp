// libzip, opened when the first archive is: only template sets come packed.
#include "platform/automation/lazy_library.h"

#include <zip.h>

namespace {
constinit quillet::platform::automation::LazyLibrary libzip(QUILLET_SONAME_LIBZIP);
} // namespace

QUILLET_LAZY_FUNCTION(libzip, void, zip_discard, (zip_t * a0), (a0))
QUILLET_LAZY_FUNCTION(libzip, void, zip_error_fini, (zip_error_t * a0), (a0))
QUILLET_LAZY_FUNCTION(libzip, void, zip_error_init_with_code, (zip_error_t * a0, int a1), (a0, a1))
QUILLET_LAZY_FUNCTION(libzip, const char*, zip_error_strerror, (zip_error_t * a0), (a0))
QUILLET_LAZY_FUNCTION(libzip, int, zip_fclose, (zip_file_t * a0), (a0))
QUILLET_LAZY_FUNCTION(libzip, int, zip_file_get_external_attributes,
                      (zip_t * a0, zip_uint64_t a1, zip_flags_t a2, zip_uint8_t* a3,
                       zip_uint32_t* a4),
                      (a0, a1, a2, a3, a4))
QUILLET_LAZY_FUNCTION(libzip, const char*, zip_file_strerror, (zip_file_t * a0), (a0))
QUILLET_LAZY_FUNCTION(libzip, zip_file_t*, zip_fopen_index,
                      (zip_t * a0, zip_uint64_t a1, zip_flags_t a2), (a0, a1, a2))
QUILLET_LAZY_FUNCTION(libzip, zip_int64_t, zip_fread, (zip_file_t * a0, void* a1, zip_uint64_t a2),
                      (a0, a1, a2))
QUILLET_LAZY_FUNCTION(libzip, zip_int64_t, zip_get_num_entries, (zip_t * a0, zip_flags_t a1),
                      (a0, a1))
QUILLET_LAZY_FUNCTION(libzip, zip_t*, zip_open, (const char* a0, int a1, int* a2), (a0, a1, a2))
QUILLET_LAZY_FUNCTION(libzip, int, zip_stat_index,
                      (zip_t * a0, zip_uint64_t a1, zip_flags_t a2, zip_stat_t* a3),
                      (a0, a1, a2, a3))
QUILLET_LAZY_FUNCTION(libzip, void, zip_stat_init, (zip_stat_t * a0), (a0))
QUILLET_LAZY_FUNCTION(libzip, const char*, zip_strerror, (zip_t * a0), (a0))
