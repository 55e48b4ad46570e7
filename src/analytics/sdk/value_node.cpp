#include "analytics/sdk/value_node.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "analytics/sdk/messages.h"
#include "analytics/sdk/utf8_check.h"
#include "platform/process_info.h"

namespace analytics_sdk {
namespace utils {

ValueNode ValueNode::Number(double value) {
  ValueNode node;
  node.kind_ = kNumber;
  node.number_ = value;
  return node;
}

ValueNode ValueNode::Integer(int64_t value) {
  ValueNode node;
  node.kind_ = kInteger;
  node.integer_ = value;
  return node;
}

ValueNode ValueNode::String(std::string value) {
  ValueNode node;
  node.kind_ = kString;
  node.string_ = std::move(value);
  return node;
}

ValueNode ValueNode::List(std::vector<std::string> value) {
  ValueNode node;
  node.kind_ = kList;
  node.list_ = std::move(value);
  return node;
}

ValueNode ValueNode::DateTime(int64_t seconds, int32_t milliseconds) {
  ValueNode node;
  node.kind_ = kDateTime;
  node.integer_ = seconds;
  node.milliseconds_ = milliseconds;
  return node;
}

ValueNode ValueNode::Boolean(bool value) {
  ValueNode node;
  node.kind_ = kBoolean;
  node.boolean_ = value;
  return node;
}

ValueNode ValueNode::Object(const ObjectNode& value) {
  ValueNode node;
  node.kind_ = kObject;
  node.object_ = std::make_shared<const ObjectNode>(value);
  return node;
}

std::string FormatNumber(double value) {
  // Not-a-number and infinity have no JSON form; a record carrying one would
  // be refused by the service and block every batch it travels in.
  if (!std::isfinite(value)) return "null";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, 6);
  return std::string(buffer, result.ptr);
}

std::string FormatLocalDateTime(int64_t seconds, int32_t milliseconds) {
  platform::LocalTime local{};
  if (!platform::ToLocalTime(seconds, local)) local = platform::LocalTime{1970, 1, 1, 0, 0, 0, 0};
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.year, local.month, local.day,
                local.hour, local.minute, local.second, static_cast<int>(milliseconds));
  return buffer;
}

void AppendJsonString(std::string& out, std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  for (char c : text) {
    switch (c) {
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        out += "\\r";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          // Other control bytes would make the record invalid JSON.
          out += "\\u00";
          out += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
          out += kHex[static_cast<unsigned char>(c) & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void ValueNode::AppendJson(std::string& out) const {
  switch (kind_) {
    case kNumber:
      out += FormatNumber(number_);
      break;
    case kInteger:
      out += std::to_string(integer_);
      break;
    case kString:
      AppendJsonString(out, string_);
      break;
    case kList: {
      out += '[';
      bool first = true;
      for (const std::string& item : list_) {
        if (!first) out += ',';
        first = false;
        AppendJsonString(out, item);
      }
      out += ']';
      break;
    }
    case kDateTime:
      out += '"';
      out += FormatLocalDateTime(integer_, milliseconds_);
      out += '"';
      break;
    case kBoolean:
      out += boolean_ ? "true" : "false";
      break;
    case kObject:
      if (object_) {
        object_->AppendJson(out);
      } else {
        out += "{}";
      }
      break;
  }
}

const ValueNode* ObjectNode::Find(const std::string& key) const {
  auto it = members_.find(key);
  return it == members_.end() ? nullptr : &it->second;
}

void ObjectNode::AppendJson(std::string& out) const {
  out += '{';
  bool first = true;
  for (const auto& [key, value] : members_) {
    if (!first) out += ',';
    first = false;
    // Property keys are variable names and come out unchanged; any other
    // key is escaped like a string so the record stays valid JSON.
    AppendJsonString(out, key);
    out += ':';
    value.AppendJson(out);
  }
  out += '}';
}

std::string ObjectNode::ToJson() const {
  std::string out;
  AppendJson(out);
  return out;
}

}  // namespace utils

bool PropertiesNode::SetString(const std::string& key, std::string_view value) {
  if (value.size() > kMaxStringValueBytes) {
    WriteError("String property '" + key + "' is too long, value: " + std::string(value) + "\n");
    return false;
  }
  if (!IsValidUtf8(value)) {
    WriteError("String property '" + key + "' is not valid UTF-8 string, value: " + std::string(value) + "\n");
    return false;
  }
  Set(key, utils::ValueNode::String(std::string(value)));
  return true;
}

void PropertiesNode::Merge(const utils::ObjectNode& other) {
  for (const auto& [key, value] : other.Members()) Set(key, value);
}

}  // namespace analytics_sdk
