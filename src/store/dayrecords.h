#pragma once
// The rules on a day's records that the day model and the tools share.
#include <array>
#include <cstdint>
#include <string>

#include "calendar.h"
#include "fileio.h"
#include "records.h"

namespace plandor {

// Empty values; reserved bytes are written as 0.
void clearBar(BarRecord& bar);
void clearPad(PadRecord& pad);
void clearDiary(DiaryRecord& diary);

// A pad table with every slot and the diary empty, from zeroed memory.
PadTable emptyPadTable();
// A day image likewise, header empty.
DayFile emptyDayFile();

// Reads a day file laid over empty records, so a short file leaves whole
// slots empty rather than zero-filled (a zero StartHour would read as a
// used slot). `day` changes only when the read succeeds. `needWritable` and
// `stamp` as for readFileStart.
IoResult readDayFile(const std::string& path, DayFile* day, bool needWritable, FileStamp* stamp = nullptr);
// The same for a day image of the program's own (Temporary.sdf): never read
// through a symbolic link.
IoResult readOwnDayFile(const std::string& path, DayFile* day);

// The highest pad number whose bar is set (TopY != -1), or 0.
std::int32_t CountPads(const BarRecord (&bars)[kPadSlots]);

// Removes the pad in `slot`, then packs the pads that keep a bar to the
// front, renumbered 1..k in their order (memos travel with them).
// `from`, when given, gets each new slot's old slot (-1 for an empty one).
void RemovePadAndPack(PadTable& table, int slot, std::array<int, kPadSlots>* from = nullptr);

// The file name recorded in a header path: what follows the last "/" or "\".
// Paths written on Windows use "\"; decode before looking for it, since a
// CP932 trail byte can be 0x5C.
std::string headerFileName(const ShortText<255>& filePath);

// Removes the temporaries that saves cut short left in the folder of
// `dayPath`: of that day file and of every file named as day files are
// named ("Y" + year + month + day + ".sdf"). Called when a day is opened.
void removeStaleDayTemporaries(const std::string& dayPath);


}  // namespace plandor
