#pragma once
// The open day: its pad table, its file image and its paths, changed only
// through the named operations below. Each operation that changes the day
// is kept in a history of whole snapshots (undo, redo) and tells the
// listeners once, never while it is telling them. The unsaved state is the
// table against the one last loaded or saved, plus the typed edits the pads
// and the diary still hold, which the model asks them for.
#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "calendar.h"
#include "dayrecords.h"
#include "fileio.h"
#include "records.h"

namespace plandor {

// A pad made by a drag and not stored yet: its record stays empty until its
// 一時保存, so the frame's times and place are kept here.
struct FreshPad {
  bool open = false;
  std::int32_t startHour = 0, startMinute = 0;
  bool startPM = false;
  std::int32_t endHour = 0, endMinute = 0;
  bool endPM = false;
  std::int32_t left = 0, top = 0;
  bool operator==(const FreshPad&) const = default;
};

// Everything an undo brings back.
struct DaySnapshot {
  PadTable table;
  std::array<FreshPad, kPadSlots> fresh{};
  int selected = 0;
  // Each framed slot's pad identity: new when a pad comes into the day (a
  // drag, a load, a store into an empty slot), kept through edits, moves and
  // a removal's packing, so that a pad is told apart from one that takes its
  // slot or its time.
  std::array<std::uint32_t, kPadSlots> ids{};
};

class DayModel {
 public:
  enum class Change {
    Opened,    // another day, or the same read again: the history starts afresh
    Replaced,  // pads may differ anywhere (removal, routine display, undo, redo, recovery)
    PadStored, // one slot's record and bar (`slot`)
    PadMade,   // a fresh pad in `slot`
    PadMoved,  // one stored pad's times, bar and place (`slot`); nothing else
    Memo,      // one slot's memo
    Diary,
    Saved,
    Pending,   // typed edits came or went; the table is unchanged
  };
  using Listener = std::function<void(Change, int slot)>;

  DayModel();
  DayModel(const DayModel&) = delete;
  DayModel& operator=(const DayModel&) = delete;

  // Returns what unlisten takes; a listener that goes before the model unlistens.
  int listen(Listener l);
  void unlisten(int id);

  // Whoever holds typed edits the day does not have yet answers for them:
  // for a schedule pad's slot, or for -1 (the diary and the memo dialog).
  // Asked in every operation before the listeners are told, a slot whose
  // pad the operation replaced excepted (its frame is made again); a holder
  // whose answer may have changed since calls typedEditsChanged, and the
  // listeners hear of it (Pending) when the day's answer did change.
  using TypedEdits = std::function<bool(int slot)>;
  int addTypedEdits(TypedEdits holder);  // returns what removeTypedEdits takes
  void removeTypedEdits(int id);
  void typedEditsChanged();

  // Reading.
  const PadTable& table() const { return now_.table; }
  const PadRecord& pad(int slot) const { return now_.table.Pads[slot]; }
  const BarRecord& bar(int slot) const { return now_.table.Bars[slot]; }
  const DiaryRecord& diary() const { return now_.table.Diary; }
  const DayFile& image() const { return image_; }
  const FreshPad& fresh(int slot) const { return now_.fresh[slot]; }
  // A slot shows a frame when it holds a pad or a fresh one.
  bool framed(int slot) const { return now_.table.Pads[slot].StartHour != -1 || now_.fresh[slot].open; }
  const std::string& path() const { return currentPath_; }  // CurrentDayPath
  const std::string& todayPath() const { return todayPath_; }
  const std::string& temporaryPath() const { return temporaryPath_; }
  // The date the open day's file name stands for.
  std::optional<LocalDate> date() const { return dateOfDayFile(currentPath_); }

  // The highest pad number with a bar.
  std::int32_t DataCount() const { return CountPads(now_.table.Bars); }
  std::uint32_t padId(int slot) const { return now_.ids[slot]; }
  const std::uint32_t* padIds() const { return now_.ids.data(); }
  // The schedule pad that last had the focus.
  int selectedPad() const { return now_.selected; }

  bool hasFile() const { return fileExists(currentPath_); }
  // The open day's file as last read or saved.
  const FileStamp& stamp() const { return stamp_; }
  // The file at the open day's path is there but could not be read: the day
  // is not loaded, and the save refuses to write over what it never read.
  bool unread() const { return !unread_.ok() && unread_.path == currentPath_; }

  // Saving would write something other than what was last loaded or saved,
  // or a pad or the diary holds typed edits not yet stored.
  bool modified() const;
  // The pad in `slot` holds typed edits, as its holder last answered.
  bool pending(int slot) const { return pending_[slot]; }
  bool canUndo() const { return !undo_.empty(); }
  bool canRedo() const { return !redo_.empty(); }

  // Set once at start-up: today's day in the data folder `folder`, whose
  // month folder is made when missing (false when it cannot be). A save of a
  // day in that data folder makes its month folder too.
  bool setFolder(std::string folder, const LocalDate& today);
  // The same for paths outside any data folder: no month folder is made.
  void setPaths(std::string todayPath, std::string temporaryPath);

  // Opening: `path` becomes the open day; its file is read when one is
  // there (see load), otherwise the day starts empty. The history ends.
  IoResult open(const std::string& path);
  void openEmpty(const std::string& path);

  // Operations, each one step of the history.
  // A pad's 一時保存 or 変更 wrote its slot (also a refused one, which may
  // clear or restore times); a fresh pad there is fresh no longer once its
  // record is used.
  void storePad(int slot, const BarRecord& bar, const PadRecord& pad);
  // A stored pad moved in time: its times, bar rows and Top as `bar` and
  // `pad` give them. Refused (false) for a slot without a stored pad, or
  // whose pad holds typed edits, which the move would leave behind.
  bool movePad(int slot, const BarRecord& bar, const PadRecord& pad);
  // A drag made a new pad in `slot`; nothing is written to its records.
  void makePad(int slot, const FreshPad& fresh);
  // Removes the pad in `slot` and packs the rest (see RemovePadAndPack);
  // pads never stored go too, as the frames are made again from the table.
  void removePad(int slot);
  void setMemo(int slot, const ShortText<255>& memo);
  void setDiary(const DiaryRecord& diary);
  // Routine display: these pads and bars replace the day's, which keeps its
  // header and its diary; they go to the staging file and are read back as
  // a load reads a day. A failure leaves the day as it was.
  IoResult showRoutinePads(const BarRecord (&bars)[kPadSlots], const PadRecord (&pads)[kPadSlots]);
  // Recovered work replaces the table, as unsaved changes. With `began`
  // (the file when the work began, which another program changed since) a
  // save asks before it writes over that program's file.
  // `fresh`: pads that were never stored, shown again as typed.
  void restore(const PadTable& table, const FileStamp* began = nullptr,
               const std::array<FreshPad, kPadSlots>& fresh = {});

  void undo();
  void redo();

  // Not in the history.
  void select(int slot);

  // The Save command's data part. The first save of a day sets the header
  // from the open day's path and `today`; later saves keep it. An image
  // without a header (after a short load) gets one too. `*headerSet` tells
  // the caller to show the new header. An unread day is refused
  // (Op::Overwrite) and nothing is written. A file another program changed
  // since the day was read or saved is left alone (Op::Changed) unless
  // `overwriteChanged`.
  IoResult save(const LocalDate& today, bool* headerSet, bool overwriteChanged = false);
  // The day as a save would write it, to a new file at `path` or a free
  // numbered name beside it, which `path` receives (a copy kept
  // beside a file another program changed); the open day's file, and what
  // is known of it, stay as they are.
  IoResult saveCopy(std::string& path, const LocalDate& today) const;

  static constexpr std::size_t kHistoryLimit = 200;

 private:
  // Reads a day file into the image and the table (the diary only when
  // `path` is not the staging file). A short file fills what it holds; the
  // rest stays empty. On failure the table and the image stay as they were;
  // when `path` is the open day's, the day is unread until a load of it
  // succeeds or a clear.
  IoResult load(const std::string& path);
  void clear();
  // The image a save writes: the table under the header, which a first save
  // (or an image without one) sets; true when it was set.
  bool nextImage(const LocalDate& today, DayFile* next) const;
  // Records the state before a change; `after` is what the change made. No
  // step and no signal when nothing changed.
  void commit(const DaySnapshot& after, Change change, int slot);
  void startHistory();
  // Asks the holders of typed edits (none for the slots `dropped`); true
  // when the answer differs from the last.
  bool askTypedEdits(const std::bitset<kPadSlots + 1>& dropped = {});
  // The slots whose pad or fresh pad differ between `a` and `b`.
  static std::bitset<kPadSlots + 1> changedSlots(const DaySnapshot& a, const DaySnapshot& b);
  // Tells the listeners of a change, after asking for typed edits.
  void tell(Change change, int slot, const std::bitset<kPadSlots + 1>& dropped = {});
  void tellKeepingSelection(const std::bitset<kPadSlots + 1>& slots);
  void notify(Change change, int slot);
  // New identities for every slot of `s` that holds a pad.
  void identify(DaySnapshot& s);

  DaySnapshot now_;
  PadTable saved_;  // the table last loaded or saved
  DayFile image_;
  std::vector<DaySnapshot> undo_, redo_;
  std::bitset<kPadSlots> pending_;
  bool dialogTyped_ = false;  // the diary or memo dialog holds typed text
  std::vector<std::pair<int, TypedEdits>> holders_;
  bool telling_ = false;
  bool askAgain_ = false;  // a holder's answer changed while the listeners were told
  std::string folder_, currentPath_, todayPath_, temporaryPath_;
  IoResult unread_;
  FileStamp stamp_;  // the open day's file as last read or saved
  std::vector<std::pair<int, Listener>> listeners_;
  int nextListener_ = 0;
  std::uint32_t nextId_ = 0;
};

}  // namespace plandor
