// Property values, ordered objects and the property set that callers fill.
// Everything is written as JSON text in the record form the service expects.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace analytics_sdk {
namespace utils {

class ObjectNode;

class ValueNode {
 public:
  enum Kind : int32_t {
    kNumber = 0,
    kInteger = 1,
    kString = 2,
    kList = 3,
    kDateTime = 4,
    kBoolean = 5,
    kObject = 6,
  };

  ValueNode() = default;
  static ValueNode Number(double value);
  static ValueNode Integer(int64_t value);
  static ValueNode String(std::string value);
  static ValueNode List(std::vector<std::string> value);
  static ValueNode DateTime(int64_t seconds, int32_t milliseconds);
  static ValueNode Boolean(bool value);
  static ValueNode Object(const ObjectNode& value);

  Kind kind() const { return kind_; }
  double number() const { return number_; }
  int64_t integer() const { return integer_; }  // also the seconds of a date-time
  int32_t milliseconds() const { return milliseconds_; }
  const std::string& string() const { return string_; }
  const std::vector<std::string>& list() const { return list_; }
  bool boolean() const { return boolean_; }
  const ObjectNode* object() const { return object_.get(); }

  void AppendJson(std::string& out) const;

 private:
  Kind kind_ = kNumber;
  double number_ = 0;
  int64_t integer_ = 0;
  int32_t milliseconds_ = 0;
  bool boolean_ = false;
  std::string string_;
  std::vector<std::string> list_;
  std::shared_ptr<const ObjectNode> object_;
};

// An object whose members are kept in byte-wise ascending key order.
class ObjectNode {
 public:
  void Set(const std::string& key, ValueNode value) { members_[key] = std::move(value); }
  const ValueNode* Find(const std::string& key) const;
  bool Remove(const std::string& key) { return members_.erase(key) > 0; }
  void Clear() { members_.clear(); }
  bool Empty() const { return members_.empty(); }
  size_t Size() const { return members_.size(); }
  const std::map<std::string, ValueNode>& Members() const { return members_; }

  void AppendJson(std::string& out) const;
  std::string ToJson() const;

 private:
  std::map<std::string, ValueNode> members_;
};

// Writes the text as a JSON string, quotes included.
void AppendJsonString(std::string& out, std::string_view text);
// The number as printf "%g" writes it ("null" for values JSON cannot hold).
std::string FormatNumber(double value);
// "%04d-%02d-%02d %02d:%02d:%02d.%03d" of the local time of an epoch second.
std::string FormatLocalDateTime(int64_t seconds, int32_t milliseconds);

}  // namespace utils

// The property set of one event or profile operation.
class PropertiesNode : public utils::ObjectNode {
 public:
  // Refused (false, a message on standard error, key left unset) when the value
  // is longer than 8192 bytes or is not valid UTF-8.
  bool SetString(const std::string& key, std::string_view value);
  bool SetString(const std::string& key, const char* value) {
    return SetString(key, std::string_view(value ? value : ""));
  }
  void SetInteger(const std::string& key, int32_t value) { Set(key, utils::ValueNode::Integer(value)); }
  void SetInteger(const std::string& key, int64_t value) { Set(key, utils::ValueNode::Integer(value)); }
  void SetNumber(const std::string& key, double value) { Set(key, utils::ValueNode::Number(value)); }
  void SetBoolean(const std::string& key, bool value) { Set(key, utils::ValueNode::Boolean(value)); }
  void SetDateTime(const std::string& key, int64_t seconds, int32_t milliseconds) {
    Set(key, utils::ValueNode::DateTime(seconds, milliseconds));
  }
  void SetList(const std::string& key, std::vector<std::string> values) {
    Set(key, utils::ValueNode::List(std::move(values)));
  }
  void SetObject(const std::string& key, const utils::ObjectNode& value) { Set(key, utils::ValueNode::Object(value)); }
  // Copies every member of the other set, replacing equal keys.
  void Merge(const utils::ObjectNode& other);
};

constexpr size_t kMaxStringValueBytes = 8192;

}  // namespace analytics_sdk
