#pragma once
// Recordings of catalogue results: the JSON form of rowsets and the session wrapper that
// records what a live connection returns.
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/data/connection.h"

namespace quillet::platform::data {

nlohmann::json rowsetToJson(const Rowset& rowset);
Ref<Rowset> rowsetFromJson(const nlohmann::json& j);

// Wraps a live session; every result passes through unchanged and is also kept, so that
// save() can write a file that a recorded session replays.
class Recorder : public Session {
public:
  Recorder(std::unique_ptr<Session> inner, std::string path)
      : inner_(std::move(inner)), path_(std::move(path)) {}
  Ref<Properties> properties() override;
  Ref<Rowset> execute(const std::string& sql) override;
  Ref<Rowset> describe(const std::string& sql) override;
  Ref<Rowset> openSchema(SchemaKind kind, const std::vector<Variant>& restrictions) override;
  void close() override { inner_->close(); }

  // Writes the recording (atomically: a temporary file, then a rename).
  void save();
  const std::string& path() const { return path_; }

private:
  std::unique_ptr<Session> inner_;
  std::string path_;
  nlohmann::json properties_ = nlohmann::json::object();
  nlohmann::json schemas_ = nlohmann::json::array();
  nlohmann::json queries_ = nlohmann::json::array();
};

} // namespace quillet::platform::data
