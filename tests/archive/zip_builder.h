#pragma once
// Writes small zip archives for tests: files, folders and symbolic links with any names,
// since the point is often a name no honest tool would write.
#include <sys/stat.h>
#include <zip.h>

#include <ctime>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillet::testing {

class ZipBuilder {
public:
  ZipBuilder& file(std::string name, std::string content, time_t mtime = 0) {
    entries_.push_back({std::move(name), std::move(content), Kind::File, mtime});
    return *this;
  }
  ZipBuilder& folder(std::string name) {
    entries_.push_back({std::move(name), {}, Kind::Folder, 0});
    return *this;
  }
  ZipBuilder& link(std::string name, std::string target) {
    entries_.push_back({std::move(name), std::move(target), Kind::Link, 0});
    return *this;
  }

  // Writes the archive to path (replacing it).
  void write(const std::string& path) const {
    int code = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!z) throw std::runtime_error("cannot create " + path);
    for (const Entry& e : entries_) {
      zip_int64_t index;
      if (e.kind == Kind::Folder) {
        index = zip_dir_add(z, e.name.c_str(), ZIP_FL_ENC_UTF_8);
      } else {
        zip_source_t* src = zip_source_buffer(z, e.content.data(), e.content.size(), 0);
        index = zip_file_add(z, e.name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) zip_source_free(src);
      }
      if (index < 0) throw std::runtime_error("cannot add " + e.name);
      if (e.kind == Kind::Link)
        zip_file_set_external_attributes(z, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                         static_cast<zip_uint32_t>(S_IFLNK | 0777) << 16);
      if (e.mtime != 0) zip_file_set_mtime(z, static_cast<zip_uint64_t>(index), e.mtime, 0);
    }
    if (zip_close(z) != 0) {
      zip_discard(z);
      throw std::runtime_error("cannot write " + path);
    }
  }

private:
  enum class Kind { File, Folder, Link };
  struct Entry {
    std::string name;
    std::string content;
    Kind kind;
    time_t mtime;
  };
  std::vector<Entry> entries_;
};

} // namespace quillet::testing
