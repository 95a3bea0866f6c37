#pragma once
// The tracker's vocabulary: event types, enumerations with their wire texts,
// and the event records the host fills in. Texts are UTF-8.
#include <cstdint>
#include <optional>
#include <string>

namespace tamik::beacon {

enum QvEventType : int {
    QvEventActivity = 0,
    QvEventLaunch = 1,
    QvEventLogin = 2,
    QvEventClickType = 3,
    QvEventViewType = 4,
    QvEventCashierType = 5,
    QvEventShareType = 6,
    QvEventTaskType = 7,
    QvEventFileType = 8,
    QvEventOrderType = 9,
    QvEventPaymentType = 10,
    QvEventUninstall = 11,
    QvEventUpdateType = 12,
    QvEventCrashed = 13,
    QvEventAppOpenNotificationType = 14,
};
constexpr int kQvEventTypeCount = 15;

enum class QvResult : int { Success = 0, Cancelled = 1, Fail = 2, Unknown = 3 };
enum class QvClickType : int { Button = 0, Banner = 1, Tutorial = 2, File = 3, Others = 4 };
enum class QvUserType : int {
    Unknown = 0,
    Mobilephone = 1,
    Email = 2,
    Weixin = 3,
    QQ = 4,
    DeviceId = 5,
    Baidu = 6,
    Huawei = 7,
    Apple = 8,
    TamikUserId = 9,
    Google = 10,
    Facebook = 11,
};
enum class QvIoType : int { Input = 0, Output = 1 };
enum class QvCurrency : int {
    CNY = 0,
    USD = 1,
    EUR = 2,
    HKD = 3,
    TWD = 4,
    MOP = 5,
    SGD = 6,
    JPY = 7,
    KRW = 8,
    INR = 9,
    GBP = 10,
};
enum class QvPaidPlatform : int {
    Alipay = 0,
    WeChatPay = 1,
    PayPal = 2,
    Tenpay = 3,
    CIECC = 4,
    GooglePay = 5,
    HuaweiPay = 6,
    AppleIAP = 7,
    Paddle = 8,
    ChinaUnionPay = 9,
};
enum class QvIapType : int {
    Consumable = 0,
    NonConsumable = 1,
    AutoRenewable = 2,
    NonRenewable = 3
};
enum class QvUpdateOp : int {
    UpdateCheck = 0,
    DownloadStart = 1,
    DownloadEnd = 2,
    UpgrateStart = 3,
    UpgrateEnd = 4,
};
enum class QvUpdateResult : int {
    Success = 0,
    Cancelled = 1,
    Timeout = 2,
    Fail = 3,
    Latest = 4,
    Updateable = 5,
};
enum class QvEdition : int { China = 0, Overseas = 1 };

// Wire texts. A number outside an enumeration throws QvException ("Unknown
// task result [7]!" and so on).
std::string toString(QvEventType type);
std::string toString(QvResult v);
std::string toString(QvClickType v);
std::string toString(QvUserType v);
std::string toString(QvIoType v);
std::string toString(QvCurrency v);
std::string toString(QvPaidPlatform v);
std::string toString(QvIapType v);
std::string toString(QvUpdateOp v);
std::string toString(QvUpdateResult v);
std::string toString(QvEdition v);

struct QvEventClick {
    std::string aname, name;
    int clickType = 4;  // Others
    std::string title, module, position;
    std::optional<int> tabIndex;
    std::string tabName;
    std::optional<int> bannerIndex;
    std::string bannerName;
};

struct QvEventView {
    std::string aname, name, title, position;
};

struct QvEventCashier {
    std::string cashierName, cashierTitle, subitem;
};

struct QvEventShare {
    std::string aname, channel, position, sharedName;
    std::optional<QvResult> result;
};

struct QvEventTask {
    std::string aname, name, reason;
    std::optional<float> elapsed;  // seconds
    std::optional<QvResult> result;
};

struct QvEventFile {
    std::string aname, name;
    std::optional<QvIoType> io;
    std::string ext;
    std::optional<float> size;
    std::optional<int> duration;
    std::optional<float> fps, bps;
    std::optional<int> width, height, depth;
    std::optional<QvResult> result;
};

struct QvEventOrder {
    std::string orderId, subitem, sku, suitId;
    std::optional<QvCurrency> currency;
    float originalAmount = 0;
    std::string voucherId;
    float paidAmount = 0;
    std::string cashierName, cashierTitle;
    std::optional<int> campaignCode;
    float curOriginalAmount = 0, curPaidAmount = 0;
};

struct QvEventPayment {
    std::string orderId, subitem, sku;
    std::optional<QvCurrency> currency;
    float originalAmount = 0;
    std::optional<int> campaignCode;
    std::string voucherId, usedVoucherId;
    float paidAmount = 0;
    std::string suitId, cashierName, cashierTitle;
    std::optional<QvPaidPlatform> paidPlatform;
    std::optional<QvResult> result;
    std::optional<QvIapType> iapType;
    float curOriginalAmount = 0, curPaidAmount = 0;
};

struct QvEventUpdate {
    QvUpdateOp op = QvUpdateOp::UpdateCheck;
    std::optional<QvUpdateResult> result;
    std::optional<float> elapsed;
};

struct QvEventAppOpenNotification {
    std::string msgTitle, msgContent, linkUrl, planId, audienceId, planStrategyId, planType,
        strategyUnitId;
};

struct QvUserInfo {
    std::string userId, userName;
    int userType = 0;
    std::string nickname, portrait, mobilephone, email, weixin, qq, did;
    int64_t created = -1;    // seconds; negative when absent
    int64_t lastLogin = -1;  // seconds; negative when absent
    std::string lastIp;
    int vipLevel = 0;
    int64_t vipEndDate = -1;  // seconds; negative when absent
};

}  // namespace tamik::beacon
