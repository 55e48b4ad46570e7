#include "platform/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace {

TEST(ParseIntPrefix, FollowsTheLeadingDigitsRule) {
  struct Case {
    const wchar_t* text;
    int32_t value;
    bool found;
  } cases[] = {
      {L"2", 2, true},          {L"  -15x", -15, true},          {L"+7", 7, true},
      {L"abc", 0, false},       {L"", 0, false},                 {L"-", 0, false},
      {L" - 3", 0, false},      {L"99999999999", INT32_MAX, true}, {L"-99999999999", INT32_MIN, true},
      {L"2147483647", INT32_MAX, true}, {L"-2147483648", INT32_MIN, true},
      {L"000000000000000000000012", 12, true}, {L"\t\n5", 5, true},
  };
  for (const Case& c : cases) {
    bool found = !c.found;
    EXPECT_EQ(platform::ParseIntPrefix(c.text, &found), c.value) << c.text;
    EXPECT_EQ(found, c.found) << c.text;
  }
}

TEST(ParseDoublePrefix, LongestNumericPrefixWithDefinedOverflow) {
  struct Case {
    const wchar_t* text;
    double value;
    bool found;
  } cases[] = {
      {L"0.5kb", 0.5, true}, {L"  0.7", 0.7, true},   {L"1e3", 1000.0, true},  {L"-2.5e-1x", -0.25, true},
      {L"abc", 0.0, false},  {L"", 0.0, false},       {L".5", 0.5, true},      {L"1e999", DBL_MAX, true},
      {L"-1e999", -DBL_MAX, true}, {L"0x10", 16.0, true}, {L"5米", 5.0, true},
  };
  for (const Case& c : cases) {
    bool found = !c.found;
    EXPECT_EQ(platform::ParseDoublePrefix(c.text, &found), c.value) << c.text;
    EXPECT_EQ(found, c.found) << c.text;
  }
  EXPECT_TRUE(std::isinf(platform::ParseDoublePrefix(L"inf")));
  EXPECT_TRUE(std::isnan(platform::ParseDoublePrefix(L"nan")));
}

}  // namespace
