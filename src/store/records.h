#pragma once
// Record layouts: the bytes of each struct are its file layout, reserved
// bytes included, so records are copied whole between memory and disk.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "codec.h"

namespace plandor {

static_assert(std::endian::native == std::endian::little, "records are little-endian on disk");

constexpr int kPadSlots = 24;

struct BarRecord {
  ShortText<1> Side;  // "L" or "R"; empty when the slot has no bar
  std::uint8_t reserved[2];
  std::int32_t TopY;
  std::int32_t BottomY;
  std::int32_t Color;  // 0x00BBGGRR
};

struct PadRecord {
  std::int32_t PadNo;
  std::int32_t Left;
  std::int32_t Top;
  ShortText<31> Keyword;
  ShortText<63> Content;
  std::uint8_t Completed;
  std::uint8_t reserved1[3];
  std::int32_t Color;
  std::int32_t StartHour;  // 12-hour dial; -1 marks an unused slot
  std::int32_t StartMinute;
  std::uint8_t StartPM;
  std::uint8_t reserved2[3];
  std::int32_t EndHour;
  std::int32_t EndMinute;
  std::uint8_t EndPM;
  ShortText<255> Memo;
  std::uint8_t reserved3[3];
};

struct DiaryRecord {
  ShortText<31> Title1;
  ShortText<255> Content1;
  ShortText<31> Title2;
  ShortText<255> Content2;
};

struct PadTable {
  BarRecord Bars[kPadSlots];
  PadRecord Pads[kPadSlots];
  DiaryRecord Diary;
};

// The on-disk image of one day; no magic number, no version.
struct DayFile {
  ShortText<255> FilePath;
  double CreatedDate;  // days since 1899-12-30, no time of day
  BarRecord Bars[kPadSlots];
  PadRecord Pads[kPadSlots];
  DiaryRecord Diary;
};

constexpr std::size_t kDayFileSize = 10728;

static_assert(std::is_trivially_copyable_v<DayFile>);
static_assert(sizeof(BarRecord) == 16);
static_assert(offsetof(BarRecord, Side) == 0 && offsetof(BarRecord, TopY) == 4);
static_assert(offsetof(BarRecord, BottomY) == 8 && offsetof(BarRecord, Color) == 12);

static_assert(sizeof(PadRecord) == 396);
static_assert(offsetof(PadRecord, PadNo) == 0 && offsetof(PadRecord, Left) == 4);
static_assert(offsetof(PadRecord, Top) == 8 && offsetof(PadRecord, Keyword) == 12);
static_assert(offsetof(PadRecord, Content) == 44 && offsetof(PadRecord, Completed) == 108);
static_assert(offsetof(PadRecord, Color) == 112 && offsetof(PadRecord, StartHour) == 116);
static_assert(offsetof(PadRecord, StartMinute) == 120 && offsetof(PadRecord, StartPM) == 124);
static_assert(offsetof(PadRecord, EndHour) == 128 && offsetof(PadRecord, EndMinute) == 132);
static_assert(offsetof(PadRecord, EndPM) == 136 && offsetof(PadRecord, Memo) == 137);

static_assert(sizeof(DiaryRecord) == 576);
static_assert(offsetof(DiaryRecord, Content1) == 32 && offsetof(DiaryRecord, Title2) == 288);
static_assert(offsetof(DiaryRecord, Content2) == 320);

static_assert(sizeof(DayFile) == kDayFileSize);
static_assert(offsetof(DayFile, CreatedDate) == 256 && offsetof(DayFile, Bars) == 264);
static_assert(offsetof(DayFile, Pads) == 648 && offsetof(DayFile, Diary) == 10152);

}  // namespace plandor
