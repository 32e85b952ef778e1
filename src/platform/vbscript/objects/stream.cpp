#include "platform/vbscript/objects/stream.h"

#include <algorithm>

#include "platform/files/files.h"
#include "platform/text/utf8.h"

namespace quillet::platform::vbscript {

namespace am = automation;
using am::Variant;

namespace {

// The stream's errors, with the numbers scripts see in Err.Number.
constexpr int32_t kBadArguments = 3001;
constexpr int32_t kCannotOpenFile = 3002;
constexpr int32_t kWriteFailed = 3004;
constexpr int32_t kNotInThisContext = 3219;
constexpr int32_t kClosed = 3704;
constexpr int32_t kAlreadyOpen = 3705;
const char* kSource = "ADODB.Stream";

[[noreturn]] void fail(int32_t number) {
  const char* text = "";
  switch (number) {
  case kBadArguments:
    text = "Arguments are of the wrong type, are out of acceptable range, or are in conflict "
           "with one another.";
    break;
  case kCannotOpenFile:
    text = "File could not be opened.";
    break;
  case kWriteFailed:
    text = "Write to file failed.";
    break;
  case kNotInThisContext:
    text = "Operation is not allowed in this context.";
    break;
  case kClosed:
    text = "Operation is not allowed when the object is closed.";
    break;
  case kAlreadyOpen:
    text = "Operation is not allowed when the object is open.";
    break;
  }
  am::raise(number, text, kSource);
}

} // namespace

void AdoStream::needOpen() const {
  if (!open_) fail(kClosed);
}

void AdoStream::needType(int32_t t) const {
  needOpen();
  if (type_ != t) fail(kNotInThisContext);
}

text::Encoding AdoStream::encoding() const {
  std::optional<text::Encoding> e = text::Encoding::fromCharset(charset_);
  if (!e) fail(kBadArguments);
  return *e;
}

void AdoStream::setType(int32_t t) {
  if (t != kBinary && t != kText) fail(kBadArguments);
  if (open_ && pos_ != 0) fail(kNotInThisContext);
  type_ = t;
}

void AdoStream::setCharset(const std::string& name) {
  if (!text::Encoding::fromCharset(name)) fail(kBadArguments);
  if (open_ && pos_ != 0) fail(kNotInThisContext);
  charset_ = name;
}

void AdoStream::setMode(int32_t m) {
  if (open_) fail(kAlreadyOpen);
  mode_ = m;
}

void AdoStream::setLineSeparator(int32_t sep) {
  if (sep != -1 && sep != 10 && sep != 13) fail(kBadArguments);
  lineSeparator_ = sep;
}

std::string AdoStream::separatorText() const {
  return lineSeparator_ == 10 ? "\n" : lineSeparator_ == 13 ? "\r" : "\r\n";
}

Variant AdoStream::position() const {
  needOpen();
  return Variant::fromInt64(static_cast<int64_t>(pos_));
}

void AdoStream::setPosition(int32_t p) {
  needOpen();
  if (p < 0 || static_cast<size_t>(p) > bytes_.size()) fail(kBadArguments);
  pos_ = static_cast<size_t>(p);
}

Variant AdoStream::Size() const {
  needOpen();
  return Variant::fromInt64(static_cast<int64_t>(bytes_.size()));
}

bool AdoStream::EOS() const {
  needOpen();
  return pos_ >= bytes_.size();
}

void AdoStream::Open(am::Args args) {
  if (open_) fail(kAlreadyOpen);
  // Opening on a source (a URL or a record) is not available; a plain Open starts empty.
  if (!args.empty() && !args[0].isMissing() && !args[0].isEmpty()) fail(kBadArguments);
  open_ = true;
  bytes_.clear();
  pos_ = 0;
}

void AdoStream::Close() {
  needOpen();
  open_ = false;
  bytes_.clear();
  pos_ = 0;
}

void AdoStream::WriteText(const std::string& s, int32_t options) {
  needType(kText);
  text::Encoding enc = encoding();
  std::string data = enc.encode(options == 1 ? s + separatorText() : s);
  if (pos_ == 0) data = enc.bom() + data;
  bytes_.replace(pos_, std::min(data.size(), bytes_.size() - pos_), data);
  pos_ += data.size();
}

std::string AdoStream::ReadText(const Variant& countIn) {
  needType(kText);
  int32_t count = countIn.isMissing() ? -1 : am::CLng(countIn);
  if (count < -2) fail(kBadArguments);
  text::Encoding enc = encoding();
  size_t from = pos_;
  std::string bom = enc.bom();
  if (from == 0 && !bom.empty() && bytes_.compare(0, bom.size(), bom) == 0) from = bom.size();
  std::string rest = enc.decode(std::string_view(bytes_).substr(from));
  std::string out;
  if (count == -1) {
    out = rest;
    pos_ = bytes_.size();
    return out;
  } else if (count == -2) {
    // The line end is looked for in the bytes: decoding replaces bytes that are not valid
    // in the charset, so the decoded text's length says nothing about the bytes it used.
    const std::string sep = enc.encode(separatorText());
    const size_t unit = std::max<size_t>(1, enc.encode("\n").size());
    size_t at = bytes_.find(sep, from);
    while (at != std::string::npos && (at - from) % unit != 0)
      at = bytes_.find(sep, at + 1);
    const size_t end = at == std::string::npos ? bytes_.size() : at;
    out = enc.decode(std::string_view(bytes_).substr(from, end - from));
    pos_ = at == std::string::npos ? bytes_.size() : at + sep.size();
    return out;
  } else {
    out = std::string(text::substrChars(rest, 0, static_cast<size_t>(count)));
    pos_ = std::min(bytes_.size(), from + enc.encode(out).size());
    return out;
  }
}

void AdoStream::SkipLine() {
  ReadText(Variant(int32_t{-2}));
}

Variant AdoStream::Read(const Variant& countIn) {
  needType(kBinary);
  int32_t count = countIn.isMissing() ? -1 : am::CLng(countIn);
  if (count < -1) fail(kBadArguments);
  size_t n = count == -1 ? bytes_.size() - pos_
                         : std::min(static_cast<size_t>(count), bytes_.size() - pos_);
  if (n == 0) return Variant::null(); // ADO reads Null past the end
  std::vector<Variant> values;
  values.reserve(n);
  for (size_t i = 0; i < n; ++i)
    values.emplace_back(static_cast<uint8_t>(bytes_[pos_ + i]));
  pos_ += n;
  return Variant(am::SafeArray::fromValues(std::move(values)));
}

void AdoStream::Write(const Variant& bytesIn) {
  needType(kBinary);
  const Variant& v = bytesIn;
  std::string data;
  if (v.isArray()) {
    for (const Variant& b : v.asArray().data())
      data.push_back(static_cast<char>(am::CByte(b)));
  } else if (v.isString()) {
    data = v.asString();
  } else {
    fail(kBadArguments);
  }
  bytes_.replace(pos_, std::min(data.size(), bytes_.size() - pos_), data);
  pos_ += data.size();
}

void AdoStream::SetEOS() {
  needOpen();
  bytes_.resize(pos_);
}

void AdoStream::LoadFromFile(const std::string& path) {
  needOpen();
  try {
    bytes_ = files::readFile(path);
  } catch (const am::Error&) {
    fail(kCannotOpenFile);
  }
  pos_ = 0;
}

void AdoStream::SaveToFile(const std::string& path, int32_t options) {
  needOpen();
  if (options == 0) options = 1;
  if (options != 1 && options != 2) fail(kBadArguments);
  if (options == 1 && files::pathExists(path)) fail(kWriteFailed);
  try {
    files::writeFile(files::resolvePath(path), bytes_);
  } catch (const am::Error&) {
    fail(kWriteFailed);
  }
  pos_ = bytes_.size();
}

QUILLET_DEFINE_CLASS_NAMED(AdoStream, "Stream") {
  b.prop("Type", &AdoStream::type, &AdoStream::setType)
      .prop("Charset", &AdoStream::charset, &AdoStream::setCharset)
      .prop("Mode", &AdoStream::mode, &AdoStream::setMode)
      .prop("LineSeparator", &AdoStream::lineSeparator, &AdoStream::setLineSeparator)
      .get("State", &AdoStream::State)
      .prop("Position", &AdoStream::position, &AdoStream::setPosition)
      .get("Size", &AdoStream::Size)
      .get("EOS", &AdoStream::EOS)
      .method("Open", &AdoStream::Open)
      .method("Close", &AdoStream::Close)
      .method("WriteText", &AdoStream::WriteText, 1)
      .method("ReadText", &AdoStream::ReadText, 0)
      .method("SkipLine", &AdoStream::SkipLine)
      .method("Read", &AdoStream::Read, 0)
      .method("Write", &AdoStream::Write)
      .method("SetEOS", &AdoStream::SetEOS)
      .method("Flush", &AdoStream::Flush)
      .method("LoadFromFile", &AdoStream::LoadFromFile)
      .method("SaveToFile", &AdoStream::SaveToFile, 1);
}

} // namespace quillet::platform::vbscript
