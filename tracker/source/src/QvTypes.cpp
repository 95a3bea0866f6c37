#include "QvTypes.h"

#include <iterator>

#include "QvException.h"

namespace tamik::beacon {
namespace {

constexpr const char* kQvUnit = "QvTypes";

template <size_t N>
std::string Lookup(const char* const (&names)[N], int v, const char* function,
                   const std::string& unknownPrefix) {
    if (v >= 0 && static_cast<size_t>(v) < N) return names[v];
    QV_THROW(function, unknownPrefix + std::to_string(v) + "]!");
}

}  // namespace

std::string toString(QvEventType type) {
    static const char* const names[] = {
        "Activity", "PaLaunchPal", "Login",  "Click",   "View",
        "Cashier",  "Share",       "Task",   "File",    "Order",
        "Payment",  "Uninstall",   "Update", "Crashed", "AppOpenNotification"};
    return Lookup(names, type, "toString", "Unknown Event [");
}

std::string toString(QvResult v) {
    static const char* const names[] = {"Success", "Cancelled", "Fail", "Unknown"};
    return Lookup(names, static_cast<int>(v), "toString", "Unknown task result [");
}

std::string toString(QvClickType v) {
    static const char* const names[] = {"Button", "Banner", "Tutorial", "File", "Others"};
    return Lookup(names, static_cast<int>(v), "toString", "Unknown ClickType [");
}

std::string toString(QvUserType v) {
    static const char* const names[] = {"unknown", "mobilephone", "email",  "weixin",
                                        "qq",      "deviceid",    "baidu",  "huawei",
                                        "apple",   "tamikuserid", "google", "facebook"};
    return Lookup(names, static_cast<int>(v), "userType", "Unknown user type [");
}

std::string toString(QvIoType v) {
    if (v == QvIoType::Input) return "Input";
    if (v == QvIoType::Output) return "Output";
    QV_THROW("toString", "the io type is invalid");
}

std::string toString(QvCurrency v) {
    static const char* const names[] = {"CNY", "USD", "EUR", "HKD", "TWD", "MOP",
                                        "SGD", "JPY", "KRW", "INR", "GBP"};
    return Lookup(names, static_cast<int>(v), "toString", "Unknown currency [");
}

std::string toString(QvPaidPlatform v) {
    static const char* const names[] = {"Alipay", "WeChatPay",    "PayPal",    "Tenpay",
                                        "CIECC",  "GooglePay",    "HuaweiPay", "AppleIAP",
                                        "Paddle", "ChinaUnionPay"};
    return Lookup(names, static_cast<int>(v), "toString", "Unknown paid platform [");
}

std::string toString(QvIapType v) {
    static const char* const names[] = {"Consumable", "NonConsumable", "AutoRenewable",
                                        "NonRenewable"};
    return Lookup(names, static_cast<int>(v), "toString", "Unknown qvIapType [");
}

std::string toString(QvUpdateOp v) {
    static const char* const names[] = {"UpdateCheck", "DownloadStart", "DownloadEnd",
                                        "UpgrateStart", "UpgrateEnd"};
    return Lookup(names, static_cast<int>(v), "toString", "Unknown QvUpdateOp [");
}

std::string toString(QvUpdateResult v) {
    static const char* const names[] = {"Success", "Cancelled", "Timeout",
                                        "Fail",    "Latest",    "Updateable"};
    return Lookup(names, static_cast<int>(v), "toString", "Unknown QvUpdateResult [");
}

std::string toString(QvEdition v) {
    static const char* const names[] = {"china", "overseas"};
    return Lookup(names, static_cast<int>(v), "toString", "Unknown edition [");
}

}  // namespace tamik::beacon
