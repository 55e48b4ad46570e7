#include "analytics/tracker/tz_types.h"

#include <cstdio>

#include "analytics/sdk/utf8_check.h"
#include "platform/codepage.h"
#include "platform/process_info.h"
#include "platform/utf.h"

namespace tarsel {
namespace analytics {

namespace {

constexpr char kFile[] = "TzContextProperties";

template <size_t N>
std::string TextOf(const char* const (&table)[N], int32_t value, int32_t first, const char* message,
                   const char* function) {
  if (value < first || value >= first + static_cast<int32_t>(N)) {
    throw TzException(std::string(message) + std::to_string(value) + "]!", kFile, function, __LINE__);
  }
  return table[value - first];
}

}  // namespace

std::string eventTypeName(int index) {
  static const char* const kNames[] = {"Activity", "PaLaunchPal", "Login",  "Click",   "View",
                                       "Cashier",  "Share",       "Task",   "File",    "Order",
                                       "Payment",  "Uninstall",   "Update", "Crashed", "AppOpenNotification"};
  return TextOf(kNames, index, 0, "Unknown Event [", "eventTypeName");
}

std::string eventSendName(int index) {
  static const char* const kNames[] = {"TzEventActivity", "TzEventLaunch",  "TzEventLogin",       "TzEventClick",
                                       "TzEventView",     "TzEventCashier", "TzEventShare",       "TzEventTask",
                                       "TzEventFile",     "TzEventOrder",   "TzEventPayment",     "TzEventUninstall",
                                       "TzEventUpdate",   "AppCrashed",     "AppOpenNotification"};
  return TextOf(kNames, index, 0, "Unknown Event [", "eventSendName");
}

std::string toString(TzEdition value) {
  static const char* const kTexts[] = {"china", "overseas"};
  return TextOf(kTexts, value, 0, "Unknown edition [", "toString");
}

std::string toString(TzUserType value) {
  static const char* const kTexts[] = {"unknown", "mobilephone", "email", "weixin",       "qq",     "deviceid",
                                       "baidu",   "huawei",      "apple", "tarseluserid", "google", "facebook"};
  return TextOf(kTexts, value, 0, "Unknown user type [", "userType");
}

std::string toString(TzResult value) {
  static const char* const kTexts[] = {"Success", "Cancelled", "Fail", "Unknown"};
  return TextOf(kTexts, value, 0, "Unknown task result [", "toString");
}

std::string toString(TzClickType value) {
  static const char* const kTexts[] = {"Button", "Banner", "Tutorial", "File", "Others"};
  return TextOf(kTexts, value, 0, "Unknown ClickType [", "toString");
}

std::string toString(TzIoType value) {
  if (value == kTzIoInput) return "Input";
  if (value == kTzIoOutput) return "Output";
  throw TzException("the io type is invalid", kFile, "toString", __LINE__);
}

std::string toString(TzCurrency value) {
  static const char* const kTexts[] = {"CNY", "USD", "EUR", "HKD", "TWD", "MOP", "SGD", "JPY", "KRW", "INR", "GBP"};
  return TextOf(kTexts, value, 0, "Unknown currency [", "toString");
}

std::string toString(TzPaidPlatform value) {
  static const char* const kTexts[] = {"Alipay",    "WeChatPay", "PayPal",   "Tenpay", "CIECC",
                                       "GooglePay", "HuaweiPay", "AppleIAP", "Paddle", "ChinaUnionPay"};
  return TextOf(kTexts, value, 0, "Unknown paid platform [", "toString");
}

std::string toString(TzIapType value) {
  static const char* const kTexts[] = {"Consumable", "NonConsumable", "AutoRenewable", "NonRenewable"};
  return TextOf(kTexts, value, 1, "Unknown tzIapType [", "toString");
}

std::string toString(TzUpdateOp value) {
  static const char* const kTexts[] = {"UpdateCheck", "DownloadStart", "DownloadEnd", "UpgrateStart", "UpgrateEnd"};
  return TextOf(kTexts, value, 0, "Unknown TzUpdateOp [", "toString");
}

std::string toString(TzUpdateResult value) {
  static const char* const kTexts[] = {"Success", "Cancelled", "Timeout", "Fail", "Latest", "Updateable"};
  return TextOf(kTexts, value, 0, "Unknown TzUpdateResult [", "toString");
}

TzContextProperties::TzContextProperties() : lists_(kTzEventKinds) {}

void TzContextProperties::setProperty(const std::vector<int>& events, const std::string& value) {
  const std::string key = kAbPropertyKey;
  if (table_.count(key)) throw TzException("Property[" + key + "] already exist!", kFile, "setProperty", __LINE__);
  auto shared = std::make_shared<const PropertyValue>(value);
  table_[key] = shared;
  for (int index : events) {
    if (index < 0 || index >= kTzEventKinds) {
      throw TzException("TzEvent[" + std::to_string(index) + "] overflow!", kFile, "setProperty", __LINE__);
    }
    lists_[index].push_back(PropertyEntry{kPropertyString, shared, key});
  }
}

const std::vector<PropertyEntry>& TzContextProperties::getEventProperties(int index) const {
  if (index < 0 || index >= kTzEventKinds) {
    throw TzException("TzEvent[" + std::to_string(index) + "] overflow!", kFile, "getEventProperties", __LINE__);
  }
  return lists_[index];
}

bool TzContextProperties::isValidABValue(const std::string& value) {
  auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  const size_t n = value.size();
  if (n == 0) return false;
  if (n > 3) throw TzException("value's length is great than 3.", kFile, "isValidABValue", __LINE__);
  if (!upper(value[0])) throw TzException("First char is not in A to Z", kFile, "isValidABValue", __LINE__);
  if (n >= 2 && !upper(value[1]) && !digit(value[1])) {
    throw TzException("second char is not in A to Z and 0 to 9", kFile, "isValidABValue", __LINE__);
  }
  if (n == 3 && !upper(value[2]) && !digit(value[2])) {
    throw TzException("third char is not in A to Z and 0 to 9", kFile, "isValidABValue", __LINE__);
  }
  return true;
}

bool applyContextProperties(int index, analytics_sdk::PropertiesNode& set, const TzContextProperties& context) {
  const auto& entries = context.getEventProperties(index);
  for (const PropertyEntry& entry : entries) {
    if (!entry.value) continue;
    const PropertyValue& value = *entry.value;
    switch (entry.kind) {
      case kPropertyBool:
        if (auto* v = std::get_if<bool>(&value)) set.SetBoolean(entry.key, *v);
        break;
      case kPropertyDateTime:
        if (auto* v = std::get_if<int64_t>(&value)) set.SetString(entry.key, formatDateTime(*v));
        break;
      case kPropertyNumber:
        if (auto* v = std::get_if<double>(&value)) set.SetNumber(entry.key, *v);
        break;
      case kPropertyString:
        if (auto* v = std::get_if<std::string>(&value)) set.SetString(entry.key, *v);
        break;
      case kPropertyStringList:
        if (auto* v = std::get_if<std::vector<std::string>>(&value)) set.SetList(entry.key, *v);
        break;
    }
  }
  return !entries.empty();
}

std::string ensureUtf8(const std::string& text) {
  if (text.empty() || analytics_sdk::IsValidUtf8(text)) return text;
  std::wstring wide;
  if (!platform::DecodeCharset(text, platform::SystemCharset(), wide)) {
    // An unknown character set: keep what UTF-8 decoding can make of it.
    wide = platform::Utf8ToWide(text);
  }
  return platform::WideToUtf8(wide);
}

void splitEpochValue(int64_t value, int64_t& seconds, int32_t& milliseconds) {
  if (value >= 157789440000LL) {
    seconds = value / 1000;
    milliseconds = static_cast<int32_t>(value - seconds * 1000);
  } else {
    seconds = value;
    milliseconds = 0;
  }
}

std::string formatDateTime(int64_t value) {
  int64_t seconds = 0;
  int32_t milliseconds = 0;
  splitEpochValue(value, seconds, milliseconds);
  return analytics_sdk::utils::FormatLocalDateTime(seconds, milliseconds);
}

}  // namespace analytics
}  // namespace tarsel
