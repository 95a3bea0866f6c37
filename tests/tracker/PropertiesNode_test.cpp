// The JSON forms of property values and the text rule.
#include "PropertiesNode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "support/LogCapture.h"

using beacon_analytics::FormatNumber;
using beacon_analytics::JsonQuote;
using beacon_analytics::PropertiesNode;

namespace {

TEST(PropertiesJson, NumbersHaveSixSignificantDigits) {
    const std::pair<double, const char*> cases[] = {
        {0.5, "0.5"},
        {12.345678, "12.3457"},
        {1e6, "1e+06"},
        {0.1 + 0.2, "0.3"},
        {1234567.0, "1.23457e+06"},
        {-0.25, "-0.25"},
        {100000, "100000"},
        {0.0000001, "1e-07"},
        {3, "3"},
        {static_cast<float>(0.1), "0.1"},
    };
    for (auto [value, text] : cases) EXPECT_EQ(FormatNumber(value), text) << value;
}

TEST(PropertiesJson, NumbersIgnoreTheGlobalLocale) {
    // A host that switches the global locale must not get "0,5" on the wire.
    struct Comma : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale saved = std::locale::global(std::locale(std::locale::classic(), new Comma));
    const std::string text = FormatNumber(0.5);
    std::locale::global(saved);
    EXPECT_EQ(text, "0.5");
}

TEST(PropertiesJson, TextEscaping) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"a\"b", "\"a\\\"b\""},
        {"a\\b", "\"a\\\\b\""},
        {"\b\t\n\f\r", "\"\\b\\t\\n\\f\\r\""},
        {"/", "\"/\""},
        {"下载器启动", "\"下载器启动\""},
        {std::string("\x01\x1f", 2), "\"\\u0001\\u001F\""},
        {"\x7f", "\"\x7f\""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(JsonQuote(in), out) << in;
}

TEST(PropertiesJson, EveryKindAndKeysInByteOrder) {
    PropertiesNode inner;
    inner.SetString("b", "x");
    inner.SetInteger("a", -9223372036854775807LL - 1);
    PropertiesNode p;
    p.SetString("zeta", "z");
    p.SetNumber("Upper", 2.5);
    p.SetBool("_track", true);
    p.SetBool("$os", false);
    p.SetList("list", {"a", "b\"c"});
    p.SetList("empty", {});
    p.SetObject("obj", inner);
    p.SetInteger("int", 42);
    EXPECT_EQ(p.ToJson(),
              "{\"$os\":false,\"Upper\":2.5,\"_track\":true,\"empty\":[],\"int\":42,"
              "\"list\":[\"a\",\"b\\\"c\"],\"obj\":{\"a\":-9223372036854775808,\"b\":\"x\"},"
              "\"zeta\":\"z\"}");
}

TEST(PropertiesJson, SettingAKeyAgainReplacesIt) {
    PropertiesNode p;
    p.SetString("k", "text");
    p.SetInteger("k", 7);
    EXPECT_EQ(p.ToJson(), "{\"k\":7}");
}

TEST(PropertiesJson, DateTimesAreLocalTimeWithMilliseconds) {
    const char* saved = std::getenv("TZ");
    const std::string keep = saved ? saved : "";
    const std::pair<const char*, const char*> zones[] = {
        {"UTC0", "\"2024-02-29 23:59:58.007\""},
        {"CST-8", "\"2024-03-01 07:59:58.007\""},
    };
    for (auto [zone, text] : zones) {
        setenv("TZ", zone, 1);
        tzset();
        PropertiesNode p;
        p.SetDateTime("t", 1709251198, 7);  // 2024-02-29 23:59:58 UTC
        EXPECT_EQ(p.ToJson(), std::string("{\"t\":") + text + "}") << zone;
        PropertiesNode q;
        q.SetDateTimeMillis("t", 1709251198007LL);
        EXPECT_EQ(q.ToJson(), p.ToJson());
    }
    if (saved)
        setenv("TZ", keep.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(PropertiesTextRule, LongAndInvalidTextsAreLeftOutWithAReason) {
    struct Case {
        std::string value;
        bool kept;
        std::string message;
    };
    const Case cases[] = {
        {std::string(8192, 'a'), true, ""},
        {std::string(8193, 'a'), false, "String property 'k' is too long, value: aaaa"},
        {"\xe4\xb8\x8b", true, ""},
        {"\xe4\xb8", false, "String property 'k' is not valid UTF-8 string, value: "},
        {"\xc0\xaf", false, "is not valid UTF-8"},          // overlong "/"
        {"\xed\xa0\x80", false, "is not valid UTF-8"},      // a surrogate
        {"\xf4\x90\x80\x80", false, "is not valid UTF-8"},  // beyond U+10FFFF
        {"\xf0\x9f\x98\x80", true, ""},
    };
    for (const auto& c : cases) {
        testsupport::LogCapture log;
        PropertiesNode p;
        EXPECT_EQ(p.SetString("k", c.value), c.kept) << c.value.size();
        EXPECT_EQ(p.Has("k"), c.kept);
        if (!c.kept)
            EXPECT_NE(log.Text().find(c.message), std::string::npos) << log.Text();
        else
            EXPECT_EQ(log.Text(), "");
    }
}

TEST(PropertiesTextRule, NonFiniteNumbersAreLeftOut) {
    // "nan" or "inf" would make the whole batch unreadable for the collector.
    for (double v : {std::nan(""), std::numeric_limits<double>::infinity()}) {
        testsupport::LogCapture log;
        PropertiesNode p;
        EXPECT_FALSE(p.SetNumber("n", v));
        EXPECT_FALSE(p.Has("n"));
        EXPECT_NE(log.Text().find("Number property 'n' is not a finite number"), std::string::npos);
    }
}

}  // namespace
