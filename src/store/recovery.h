#pragma once
// The recovery files: a day's unsaved work, written after every change so
// that a crash, a kill or a power cut loses nothing typed. Each day of the
// data folder has its own file, so work not yet restored or discarded is
// never overwritten by another day's. A record names its day relative to
// the data folder, never by a full path: a folder copied or moved after a
// crash restores into itself, and nothing outside it is ever read as a day.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "calendar.h"
#include "fileio.h"
#include "records.h"

namespace plandor {

// A pad's controls as typed, kept when its 一時保存 would refuse them (a
// start not before its end, an hour that is no hour), to be shown again.
struct TypedPad {
  int slot = 0;
  bool fresh = false;  // never stored: its record is empty
  int left = 0, top = 0;
  bool completed = false;
  std::int32_t color = 0;
  std::string keyword, content;  // UTF-8, as in the boxes
  std::string startHour, endHour;  // the hour boxes' texts
  int startMinute = 0, endMinute = 0;
  bool startPM = false, endPM = false;
  bool operator==(const TypedPad&) const = default;
};

struct Recovery {
  // The day's file relative to the data folder ("Y200601/Y2006013.sdf");
  // files of the first format hold a full path here.
  std::string dayName;
  LocalDateTime written;
  FileStamp began;  // the day's file when the work began
  DayFile image;
  std::vector<TypedPad> typed;
};

// The pads, bars and diary the record holds, as the day's table.
PadTable recoveredTable(const Recovery& r);

// The file for one day's work: "Recovery-2006-01-03.pdr", or with `second`
// "Recovery-2006-01-03-2.pdr", used while the first is damaged and kept.
std::string recoveryPath(const std::string& dataFolder, const LocalDate& day, bool second = false);
// The files of the first format ("Recovery.pdr", "Recovery-2.pdr"): read
// and offered, never written.
std::vector<std::string> legacyRecoveryPaths(const std::string& dataFolder);
// "Recovery….pdr": a name of ours in the data folder.
bool isRecoveryFileName(const std::string& name);
// Every recovery file in the folder, by name.
std::vector<std::string> recoveryFiles(const std::string& dataFolder);

// Complete, then replace, as a save.
IoResult writeRecovery(const std::string& path, const Recovery& r);
// Nothing there gives success with `*out` empty; a file that is not a whole
// recovery file fails with kNotOurFormat.
IoResult readRecovery(const std::string& path, std::optional<Recovery>* out);
// The whole of a recovery file of ours at `path`: nothing there gives
// success with `*bytes` empty; a file larger than `limit` fails with
// kNotOurFormat; a link, FIFO or device is never opened.
IoResult readRecoveryBytes(const std::string& path, std::size_t limit, std::optional<std::string>* bytes);
// The same on bytes already read.
bool parseRecovery(const unsigned char* data, std::size_t size, Recovery* out);
// Missing already is success.
IoResult removeRecovery(const std::string& path);

}  // namespace plandor
