#include "app/setting_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>

namespace {

using app::NumberFormat;

const NumberFormat kDot{'.', ','};
const NumberFormat kComma{',', '.'};

TEST(SettingText, ALocalesSeparatorsServeOnlyWhenTheyCannotBeReadAsPartOfANumber) {
  const std::pair<const char*, const char*> locales[] = {{".", ","}, {",", "\xE2\x80\xAF"}, {",", " "}, {"\xD9\xAB", "."},
                                                         {".", "."}, {"5", "e"},           {"-", "'"}, {" ", ""}};
  const char* const formats[] = {".,", ",.", ", ", ".,", ".,", ".,", ".'", ".,"};
  for (std::size_t i = 0; i < std::size(locales); ++i) {
    const NumberFormat format = app::NumberFormatOf({locales[i].first, locales[i].second});
    EXPECT_EQ(std::string({format.decimal, format.group}), formats[i]) << i;
  }
}

TEST(SettingText, SingleToTextHasSevenSignificantDigitsAndTheUsersSeparator) {
  struct Case {
    float value;
    NumberFormat format;
    const char* text;
  } cases[] = {
      {0, kDot, "0"},         {1440, kDot, "1440"},       {-300, kDot, "-300"},
      {1440.5f, kDot, "1440.5"}, {1440.5f, kComma, "1440,5"}, {12345678, kDot, "1.234568E+07"},
      {0.25f, kDot, "0.25"},  {123456.7f, kDot, "123456.7"},
  };
  for (const auto& c : cases) EXPECT_EQ(app::SingleToText(c.value, c.format), c.text) << c.value;
}

TEST(SettingText, TextToInt32RoundsHalvesToEvenAndRefusesWhatDoesNotFit) {
  struct Case {
    const char* text;
    NumberFormat format;
    std::optional<std::int32_t> value;
  } cases[] = {
      {"1440", kDot, 1440},
      {"1440.5", kDot, 1440},
      {"1441.5", kDot, 1442},
      {"-0.5", kDot, 0},
      {"-2.5", kDot, -2},
      {"0", kDot, 0},
      {"-300", kDot, -300},
      {"+7", kDot, 7},
      {"  12  ", kDot, 12},
      {"1,440", kDot, 1440},
      {"1440,5", kComma, 1440},
      {"1.440,5", kComma, 1440},
      {"1e3", kDot, 1000},
      {"2147483647", kDot, 2147483647},
      {"-2147483648", kDot, std::numeric_limits<std::int32_t>::min()},
      {"2147483648", kDot, std::nullopt},
      {"2147483647.5", kDot, std::nullopt},
      {"99999999999999999999", kDot, std::nullopt},
      {"", kDot, std::nullopt},
      {"   ", kDot, std::nullopt},
      {"abc", kDot, std::nullopt},
      {"12abc", kDot, std::nullopt},
      {"-", kDot, std::nullopt},
      {".", kDot, std::nullopt},
      {"1e", kDot, std::nullopt},
      {",5", kDot, std::nullopt},
      {"1440.5", kComma, 14405},  // the dot groups digits there
  };
  for (const auto& c : cases) EXPECT_EQ(app::TextToInt32(c.text, c.format), c.value) << '"' << c.text << '"';
}

TEST(SettingText, TextToInt16KeepsTheSixteenBitRange) {
  EXPECT_EQ(app::TextToInt16("1", kDot), 1);
  EXPECT_EQ(app::TextToInt16("7", kDot), 7);
  EXPECT_EQ(app::TextToInt16("0.5", kDot), 0);
  EXPECT_EQ(app::TextToInt16("1.5", kDot), 2);
  EXPECT_EQ(app::TextToInt16("32767", kDot), 32767);
  EXPECT_EQ(app::TextToInt16("-32768", kDot), -32768);
  EXPECT_EQ(app::TextToInt16("32767.5", kDot), std::nullopt);
  EXPECT_EQ(app::TextToInt16("40000", kDot), std::nullopt);
  EXPECT_EQ(app::TextToInt16("x", kDot), std::nullopt);
}

TEST(SettingText, WrittenCoordinatesReadBack) {
  for (float v : {1.0f, 1440.0f, -1500.0f, 8999.0f, 123456.0f}) {
    for (const auto& format : {kDot, kComma}) {
      EXPECT_EQ(app::TextToInt32(app::SingleToText(v, format), format), static_cast<std::int32_t>(v));
    }
  }
}

}  // namespace
