#pragma once
// Up to 8 recurring routines, in a working set and the set the file holds.
#include <cstdint>
#include <cstring>
#include <string>

#include "fileio.h"
#include "records.h"

namespace plandor {

constexpr int kRoutineSlots = 8;

// A pad without Completed, plus the show and weekday flags.
struct RoutineRecord {
  std::int32_t RoutineNo;  // 0 marks an empty slot
  std::int32_t Left;
  std::int32_t Top;
  ShortText<31> Keyword;
  ShortText<63> Content;
  std::int32_t Color;
  std::int32_t StartHour;
  std::int32_t StartMinute;
  std::uint8_t StartPM;
  std::uint8_t reserved1[3];
  std::int32_t EndHour;
  std::int32_t EndMinute;
  std::uint8_t EndPM;
  ShortText<255> Memo;
  std::uint8_t Show;
  std::uint8_t DOW[7];  // Sunday first
  std::uint8_t reserved2[3];
};

static_assert(sizeof(RoutineRecord) == 400);
static_assert(offsetof(RoutineRecord, Keyword) == 12 && offsetof(RoutineRecord, Content) == 44);
static_assert(offsetof(RoutineRecord, Color) == 108 && offsetof(RoutineRecord, StartHour) == 112);
static_assert(offsetof(RoutineRecord, StartMinute) == 116 && offsetof(RoutineRecord, StartPM) == 120);
static_assert(offsetof(RoutineRecord, EndHour) == 124 && offsetof(RoutineRecord, EndMinute) == 128);
static_assert(offsetof(RoutineRecord, EndPM) == 132 && offsetof(RoutineRecord, Memo) == 133);
static_assert(offsetof(RoutineRecord, Show) == 389 && offsetof(RoutineRecord, DOW) == 390);

constexpr std::size_t kRoutineFileSize = kRoutineSlots * sizeof(RoutineRecord);
static_assert(kRoutineFileSize == 3200);

using RoutineSet = RoutineRecord[kRoutineSlots];

void ClearRoutine(RoutineRecord& routine);
// The number of used slots (RoutineNo != 0).
std::int32_t CountRoutines(const RoutineSet& routines);

class RoutineStore {
 public:
  RoutineStore();

  RoutineSet RoutineTable;
  RoutineSet RoutineImage;  // as the file holds them
  std::string RoutineFilePath;
  // The routines in the working set, counted when asked: nothing to keep in step.
  std::int32_t RoutineCount() const { return CountRoutines(RoutineTable); }

  // Reads Routines.rdf from `dataFolder`, or creates it with empty records
  // when nothing is there. After a failure both sets are empty and the
  // count is 0; a file that is there but could not be read stays unread.
  IoResult LoadRoutineFile(const std::string& dataFolder);
  // Writes the working set, afresh when the file has vanished. The stored
  // set follows whenever the file was written (IoResult::written()). A file
  // that start-up could not read is never written over (Op::Overwrite), nor
  // one another program changed since it was read or saved (Op::Changed)
  // unless `overwriteChanged`.
  IoResult WriteRoutineFile(bool overwriteChanged = false);
  // The working set to a new file at `path` (or the free name it receives);
  // the stored set stays.
  IoResult WriteRoutineCopy(std::string& path);
  bool unread() const { return !unread_.ok(); }
  // The working set is not what the file holds (provisional entries, a
  // pad's 一時保存, a removal).
  bool changed() const { return std::memcmp(RoutineTable, RoutineImage, sizeof RoutineTable) != 0; }
  void RevertRoutineTable();
  // A routine pad's temporary save writes its slot here.
  void storeRoutine(int slot, const RoutineRecord& r) {
    if (slot >= 0 && slot < kRoutineSlots) RoutineTable[slot] = r;
  }
  // Packs the used slots to the front, renumbered 1..k in their order.
  void CompactRoutines();

 private:
  IoResult unread_;  // the failed read at start-up
  FileStamp stamp_;  // the file as last read or written
};

}  // namespace plandor
