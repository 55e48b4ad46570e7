// The tracker's vocabulary: event kinds, enumerations with their texts, the
// record types, the per-call context properties and the exception that marks
// an invalid record.
#pragma once
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "analytics/sdk/value_node.h"

namespace tarsel {
namespace analytics {

// ---- Exception ------------------------------------------------------------

class TzException : public std::exception {
 public:
  TzException(std::string message, std::string file, std::string function, int line)
      : message_(std::move(message)), file_(std::move(file)), function_(std::move(function)), line_(line) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const { return message_; }
  const std::string& file() const { return file_; }
  const std::string& function() const { return function_; }
  int line() const { return line_; }
  int errorCode() const { return errorCode_; }
  int subCode() const { return subCode_; }

 private:
  std::string message_;
  std::string file_;
  std::string function_;
  int line_;
  int errorCode_ = -1;
  int subCode_ = -1;
};

// ---- Event kinds ------------------------------------------------------------

enum TzEventType : int32_t {
  kTzEventActivity = 0,
  kTzEventLaunch = 1,
  kTzEventLogin = 2,
  kTzEventClick = 3,
  kTzEventView = 4,
  kTzEventCashier = 5,
  kTzEventShare = 6,
  kTzEventTask = 7,
  kTzEventFile = 8,
  kTzEventOrder = 9,
  kTzEventPayment = 10,
  kTzEventUninstall = 11,
  kTzEventUpdate = 12,
  kTzEventCrashed = 13,
  kTzEventAppOpenNotification = 14,
};
constexpr int kTzEventKinds = 15;

// "Activity", "PaLaunchPal", ...; raises "Unknown Event [n]!" for other indices.
std::string eventTypeName(int index);
// The event name sent for the kind ("TzEventActivity", ..., "AppCrashed").
std::string eventSendName(int index);

// ---- Enumerations -----------------------------------------------------------

enum TzEdition : int32_t { kTzEditionChina = 0, kTzEditionOverseas = 1 };
enum TzUserType : int32_t {
  kTzUserUnknown = 0,
  kTzUserMobilephone,
  kTzUserEmail,
  kTzUserWeixin,
  kTzUserQq,
  kTzUserDeviceId,
  kTzUserBaidu,
  kTzUserHuawei,
  kTzUserApple,
  kTzUserTarselUserId,
  kTzUserGoogle,
  kTzUserFacebook
};
enum TzResult : int32_t { kTzResultSuccess = 0, kTzResultCancelled = 1, kTzResultFail = 2, kTzResultUnknown = 3 };
enum TzClickType : int32_t { kTzClickButton = 0, kTzClickBanner, kTzClickTutorial, kTzClickFile, kTzClickOthers };
enum TzIoType : int32_t { kTzIoInput = 0, kTzIoOutput = 1 };
enum TzCurrency : int32_t { kCNY = 0, kUSD, kEUR, kHKD, kTWD, kMOP, kSGD, kJPY, kKRW, kINR, kGBP };
enum TzPaidPlatform : int32_t {
  kAlipay = 0,
  kWeChatPay,
  kPayPal,
  kTenpay,
  kCIECC,
  kGooglePay,
  kHuaweiPay,
  kAppleIAP,
  kPaddle,
  kChinaUnionPay
};
enum TzIapType : int32_t { kConsumable = 1, kNonConsumable, kAutoRenewable, kNonRenewable };
enum TzUpdateOp : int32_t { kUpdateCheck = 0, kDownloadStart, kDownloadEnd, kUpgrateStart, kUpgrateEnd };
enum TzUpdateResult : int32_t {
  kUpdateSuccess = 0,
  kUpdateCancelled,
  kUpdateTimeout,
  kUpdateFail,
  kUpdateLatest,
  kUpdateUpdateable
};

std::string toString(TzEdition value);
std::string toString(TzUserType value);
std::string toString(TzResult value);
std::string toString(TzClickType value);
std::string toString(TzIoType value);
std::string toString(TzCurrency value);
std::string toString(TzPaidPlatform value);
std::string toString(TzIapType value);
std::string toString(TzUpdateOp value);
std::string toString(TzUpdateResult value);

// ---- Records ----------------------------------------------------------------

struct TzEventClick {
  std::string aname;
  std::string name;
  TzClickType clickType = kTzClickOthers;
  std::string title;
  std::string module;
  std::string position;
  std::optional<int32_t> tabIndex;
  std::string tabName;
  std::optional<int32_t> bannerIndex;
  std::string bannerName;
};

struct TzEventView {
  std::string aname;
  std::string name;
  std::string title;
  std::string position;
};

struct TzEventCashier {
  std::string cashierName;
  std::string cashierTitle;
  std::string subitem;
};

struct TzEventShare {
  std::string aname;
  std::string channel;
  std::string position;
  std::string sharedName;
  std::optional<TzResult> result;
};

struct TzEventTask {
  std::string aname;
  std::string name;
  std::string reason;
  std::optional<float> elapsed;
  std::optional<TzResult> result;
};

struct TzEventFile {
  std::string aname;
  std::string name;
  std::optional<TzIoType> io;
  std::string ext;
  std::optional<float> size;
  std::optional<int32_t> duration;
  std::optional<float> fps;
  std::optional<float> bps;
  std::optional<int32_t> width;
  std::optional<int32_t> height;
  std::optional<int32_t> depth;
  std::optional<TzResult> result;
};

struct TzEventOrder {
  std::string orderId;
  std::string subitem;
  std::string sku;
  std::string tzSuitId;
  std::optional<TzCurrency> tzCurrency;
  float originalAmount = 0;
  std::string voucherId;
  float paidAmount = 0;
  std::string cashierName;
  std::string cashierTitle;
  std::optional<int32_t> campaignCode;
  float curOriginalAmount = 0;
  float curPaidAmount = 0;
};

struct TzEventPayment {
  std::string tzOrderId;
  std::string subitem;
  std::string sku;
  std::optional<TzCurrency> currency;  // required: absent is rejected
  float originalAmount = 0;
  std::optional<int32_t> campaignCode;
  std::string voucherId;
  std::string usedVoucherId;
  float paidAmount = 0;
  std::string suitId;
  std::string cashierName;
  std::string cashierTitle;
  std::optional<TzPaidPlatform> paidPlatform;  // required: absent is rejected
  std::optional<TzResult> result;              // required: Success or Fail
  std::optional<TzIapType> iapType;
  float curOriginalAmount = 0;
  float curPaidAmount = 0;
};

struct TzEventUpdate {
  TzUpdateOp op = kUpdateCheck;
  std::optional<TzUpdateResult> result;
  std::optional<float> elapsed;
};

struct AppOpenNotification {
  std::string msgTitle;
  std::string msgContent;
  std::string linkUrl;
  std::string planID;
  std::string audienceId;
  std::string planStrategyId;
  std::string planType;
  std::string strategyUnitId;
};

struct TzUserInfo {
  std::string userId;
  std::string userName;
  TzUserType userType = kTzUserUnknown;
  std::string nickname;
  std::string portrait;
  std::string mobilephone;
  std::string email;
  std::string weixin;
  std::string qq;
  std::string did;
  int64_t created = -1;
  int64_t lastLogin = -1;
  std::string lastIp;
  int32_t vipLevel = 0;
  int64_t vipEndDate = 0;
};

// ---- Context properties -----------------------------------------------------

enum PropertyKind : int32_t {
  kPropertyBool = 0,
  kPropertyDateTime = 1,
  kPropertyNumber = 2,
  kPropertyString = 3,
  kPropertyStringList = 4,
};

using PropertyValue = std::variant<bool, int64_t, double, std::string, std::vector<std::string>>;

struct PropertyEntry {
  PropertyKind kind = kPropertyString;
  std::shared_ptr<const PropertyValue> value;  // shared by the table and every list
  std::string key;
};

class TzContextProperties {
 public:
  TzContextProperties();
  // Registers the A/B value under "tzc_ab" and attaches it to each listed kind.
  void setProperty(const std::vector<int>& events, const std::string& value);
  const std::vector<PropertyEntry>& getEventProperties(int index) const;
  // False for the empty value; raises for a malformed one.
  static bool isValidABValue(const std::string& value);

 private:
  std::map<std::string, std::shared_ptr<const PropertyValue>> table_;
  std::vector<std::vector<PropertyEntry>> lists_;
};

constexpr char kAbPropertyKey[] = "tzc_ab";

// Adds the kind's context properties to the set; true when there were any.
bool applyContextProperties(int index, analytics_sdk::PropertiesNode& set, const TzContextProperties& context);

// ---- Text helpers -----------------------------------------------------------

// Valid UTF-8 comes back unchanged; anything else is read in the system's
// narrow character set and converted to UTF-8.
std::string ensureUtf8(const std::string& text);
// Local "%04d-%02d-%02d %02d:%02d:%02d.%03d"; values from 157789440000 on are milliseconds.
std::string formatDateTime(int64_t value);
// Splits an epoch value the same way: seconds and milliseconds.
void splitEpochValue(int64_t value, int64_t& seconds, int32_t& milliseconds);

}  // namespace analytics
}  // namespace tarsel
