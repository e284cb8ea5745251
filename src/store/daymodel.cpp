#include "daymodel.h"

#include <cstring>

namespace plandor {
namespace {

bool sameBytes(const PadTable& a, const PadTable& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool sameState(const DaySnapshot& a, const DaySnapshot& b) {
  return sameBytes(a.table, b.table) && a.fresh == b.fresh;
}

}  // namespace

DayModel::DayModel() {
  // Whole records from zeroed memory: reserved and unused bytes are 0.
  clear();
  saved_ = now_.table;
}

void DayModel::setPaths(std::string todayPath, std::string temporaryPath) {
  todayPath_ = std::move(todayPath);
  temporaryPath_ = std::move(temporaryPath);
}

bool DayModel::setFolder(std::string folder, const LocalDate& today) {
  setPaths(dayPath(folder, today), folder + "/Temporary.sdf");
  folder_ = std::move(folder);
  const std::string month = folder_ + "/" + monthFolderName(today);
  return folderExists(month) || createFolder(month).ok();
}

int DayModel::listen(Listener l) {
  listeners_.emplace_back(++nextListener_, std::move(l));
  return nextListener_;
}

void DayModel::unlisten(int id) {
  std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

int DayModel::addTypedEdits(TypedEdits holder) {
  holders_.emplace_back(++nextListener_, std::move(holder));
  return nextListener_;
}

void DayModel::removeTypedEdits(int id) {
  std::erase_if(holders_, [id](const auto& h) { return h.first == id; });
}

bool DayModel::askTypedEdits(const std::bitset<kPadSlots + 1>& dropped) {
  const auto holds = [this](int slot) {
    for (const auto& h : holders_)
      if (h.second(slot)) return true;
    return false;
  };
  std::bitset<kPadSlots> pending;
  for (int i = 0; i < kPadSlots; ++i) pending[i] = !dropped[i] && holds(i);
  const bool dialog = !dropped[kPadSlots] && holds(-1);
  const bool changed = pending != pending_ || dialog != dialogTyped_;
  pending_ = pending;
  dialogTyped_ = dialog;
  return changed;
}

std::bitset<kPadSlots + 1> DayModel::changedSlots(const DaySnapshot& a, const DaySnapshot& b) {
  std::bitset<kPadSlots + 1> changed;
  for (int i = 0; i < kPadSlots; ++i)
    changed[i] = std::memcmp(&a.table.Pads[i], &b.table.Pads[i], sizeof(PadRecord)) != 0 || !(a.fresh[i] == b.fresh[i]);
  return changed;
}

void DayModel::typedEditsChanged() {
  // Asked once the listeners are done: they may still be making frames.
  if (telling_) {
    askAgain_ = true;
    return;
  }
  if (askTypedEdits()) notify(Change::Pending, -1);
}

void DayModel::tell(Change change, int slot, const std::bitset<kPadSlots + 1>& dropped) {
  askTypedEdits(dropped);
  notify(change, slot);
}

void DayModel::notify(Change change, int slot) {
  telling_ = true;
  // A listener may add or remove listeners meanwhile.
  const auto listeners = listeners_;
  for (const auto& l : listeners) l.second(change, slot);
  telling_ = false;
  if (askAgain_) {
    askAgain_ = false;
    typedEditsChanged();
  }
}

bool DayModel::modified() const {
  if (pending_.any() || dialogTyped_ || !sameBytes(now_.table, saved_)) return true;
  for (const auto& f : now_.fresh)
    if (f.open) return true;
  return false;
}

void DayModel::identify(DaySnapshot& s) {
  for (int i = 0; i < kPadSlots; ++i) s.ids[i] = s.table.Pads[i].StartHour != -1 || s.fresh[i].open ? ++nextId_ : 0;
}

void DayModel::clear() {
  now_.table = emptyPadTable();
  now_.fresh = {};
  now_.ids = {};
  now_.selected = 0;
  image_ = emptyDayFile();
  unread_ = IoResult::success();
  // Nothing there: a file that turns up later was put by another program.
  stamp_ = FileStamp{};
  stamp_.known = true;
}

void DayModel::startHistory() {
  undo_.clear();
  redo_.clear();
  saved_ = now_.table;
}

IoResult DayModel::load(const std::string& path) {
  FileStamp read;
  IoResult r = path == temporaryPath_ ? readOwnDayFile(path, &image_) : readDayFile(path, &image_, true, &read);
  if (path == currentPath_) unread_ = r;
  if (!r.ok()) return r;
  if (path == currentPath_) stamp_ = read;
  std::memcpy(now_.table.Bars, image_.Bars, sizeof now_.table.Bars);
  std::memcpy(now_.table.Pads, image_.Pads, sizeof now_.table.Pads);
  // A pad number that is not its slot's (a damaged or foreign file) stays
  // as read, so an untouched day saves as it was loaded: frames number
  // their pads by slot, and an edit stores the slot's number.
  if (path != temporaryPath_) now_.table.Diary = image_.Diary;
  now_.fresh = {};
  identify(now_);
  return r;
}

IoResult DayModel::open(const std::string& path) {
  currentPath_ = path;
  clear();
  const IoResult r = load(path);
  startHistory();
  tell(Change::Opened, -1, std::bitset<kPadSlots + 1>().set());  // every frame is made afresh
  return r;
}

void DayModel::openEmpty(const std::string& path) {
  currentPath_ = path;
  clear();
  startHistory();
  tell(Change::Opened, -1, std::bitset<kPadSlots + 1>().set());  // every frame is made afresh
}

void DayModel::commit(const DaySnapshot& after, Change change, int slot) {
  // No step and no news; what the holders now answer may still have changed.
  if (sameState(now_, after)) return typedEditsChanged();
  undo_.push_back(now_);
  if (undo_.size() > kHistoryLimit) undo_.erase(undo_.begin());
  redo_.clear();
  const DaySnapshot before = std::exchange(now_, after);
  tell(change, slot, change == Change::Replaced ? changedSlots(before, now_) : std::bitset<kPadSlots + 1>());
}

void DayModel::storePad(int slot, const BarRecord& bar, const PadRecord& pad) {
  if (slot < 0 || slot >= kPadSlots) return;
  DaySnapshot after = now_;
  if (!framed(slot)) after.ids[slot] = ++nextId_;
  after.table.Bars[slot] = bar;
  after.table.Pads[slot] = pad;
  if (pad.StartHour != -1) after.fresh[slot] = {};
  commit(after, Change::PadStored, slot);
}

bool DayModel::movePad(int slot, const BarRecord& bar, const PadRecord& pad) {
  if (slot < 0 || slot >= kPadSlots || pending_[slot] || now_.fresh[slot].open) return false;
  const PadRecord& was = now_.table.Pads[slot];
  if (was.StartHour == -1 || now_.table.Bars[slot].TopY == -1) return false;
  DaySnapshot after = now_;
  BarRecord& b = after.table.Bars[slot];
  PadRecord& p = after.table.Pads[slot];
  b.TopY = bar.TopY, b.BottomY = bar.BottomY;
  p.Top = pad.Top;
  p.StartHour = pad.StartHour, p.StartMinute = pad.StartMinute, p.StartPM = pad.StartPM;
  p.EndHour = pad.EndHour, p.EndMinute = pad.EndMinute, p.EndPM = pad.EndPM;
  commit(after, Change::PadMoved, slot);
  return true;
}

void DayModel::makePad(int slot, const FreshPad& fresh) {
  if (slot < 0 || slot >= kPadSlots || framed(slot)) return;
  DaySnapshot after = now_;
  after.fresh[slot] = fresh;
  after.fresh[slot].open = true;
  after.ids[slot] = ++nextId_;
  after.selected = slot;
  commit(after, Change::PadMade, slot);
}

void DayModel::removePad(int slot) {
  if (slot < 0 || slot >= kPadSlots) return;
  DaySnapshot after = now_;
  std::array<int, kPadSlots> from;
  RemovePadAndPack(after.table, slot, &from);
  // Every frame is made again from the table: pads never stored go.
  after.fresh = {};
  for (int i = 0; i < kPadSlots; ++i) after.ids[i] = from[i] < 0 ? 0 : now_.ids[from[i]];
  commit(after, Change::Replaced, slot);
}

void DayModel::setMemo(int slot, const ShortText<255>& memo) {
  if (slot < 0 || slot >= kPadSlots) return;
  DaySnapshot after = now_;
  after.table.Pads[slot].Memo = memo;
  commit(after, Change::Memo, slot);
}

void DayModel::setDiary(const DiaryRecord& diary) {
  DaySnapshot after = now_;
  after.table.Diary = diary;
  commit(after, Change::Diary, -1);
}

IoResult DayModel::showRoutinePads(const BarRecord (&bars)[kPadSlots], const PadRecord (&pads)[kPadSlots]) {
  DayFile staged = image_;
  std::memcpy(staged.Bars, bars, sizeof staged.Bars);
  std::memcpy(staged.Pads, pads, sizeof staged.Pads);
  staged.Diary = now_.table.Diary;
  IoResult r = writeOwnFile(temporaryPath_, &staged, sizeof staged);
  // The staging file is read back at once: whether it would survive a power
  // loss does not matter.
  if (!r.written()) return r;
  const DaySnapshot before = now_;
  r = load(temporaryPath_);
  if (!r.ok()) return r;
  // The load wrote the table; the history keeps the change as one step.
  const DaySnapshot after = now_;
  now_ = before;
  commit(after, Change::Replaced, -1);
  return r;
}

void DayModel::restore(const PadTable& table, const FileStamp* began, const std::array<FreshPad, kPadSlots>& fresh) {
  if (began) stamp_ = *began;
  DaySnapshot after = now_;
  after.table = table;
  after.fresh = fresh;
  for (int i = 0; i < kPadSlots; ++i)
    if (table.Pads[i].StartHour != -1) after.fresh[i] = {};
  identify(after);
  commit(after, Change::Replaced, -1);
}

void DayModel::undo() {
  if (undo_.empty()) return;
  redo_.push_back(now_);
  now_ = undo_.back();
  undo_.pop_back();
  tellKeepingSelection(changedSlots(redo_.back(), now_));
}

void DayModel::redo() {
  if (redo_.empty()) return;
  undo_.push_back(now_);
  now_ = redo_.back();
  redo_.pop_back();
  tellKeepingSelection(changedSlots(undo_.back(), now_));
}

// A view that lets go of the focused pad's frame hands the focus to the next
// pad, which selects itself: the step's own selection is the one that holds.
void DayModel::tellKeepingSelection(const std::bitset<kPadSlots + 1>& slots) {
  const int selected = now_.selected;
  tell(Change::Replaced, -1, slots);
  now_.selected = selected;
}

void DayModel::select(int slot) {
  if (slot >= 0 && slot < kPadSlots) now_.selected = slot;
}

bool DayModel::nextImage(const LocalDate& today, DayFile* next) const {
  *next = image_;
  const bool headerSet = !fileExists(currentPath_) || next->FilePath.empty();
  if (headerSet) {
    // A folder named in Shift-JIS (unpacked from a Windows archive) is
    // recorded by its own bytes, not as question marks.
    if (isUtf8(currentPath_))
      next->FilePath.setText(currentPath_);
    else
      next->FilePath.setRaw(currentPath_);
    next->CreatedDate = toSerialDate(today);
  }
  std::memcpy(next->Bars, now_.table.Bars, sizeof next->Bars);
  std::memcpy(next->Pads, now_.table.Pads, sizeof next->Pads);
  next->Diary = now_.table.Diary;
  return headerSet;
}

IoResult DayModel::save(const LocalDate& today, bool* headerSet, bool overwriteChanged) {
  *headerSet = false;
  // A day planned ahead (or back) may be the first of its month; a month
  // folder removed under the running program is made again.
  if (const std::optional<LocalDate> d = date(); d && !folder_.empty() && currentPath_ == dayPath(folder_, *d)) {
    const std::string month = folder_ + "/" + monthFolderName(*d);
    if (fileMissing(month))
      if (IoResult made = createFolder(month); !made.ok()) return made;
  }
  if (unread()) return IoResult::failure(IoResult::Op::Overwrite, currentPath_, unread_.error);
  DayFile next;
  const bool header = nextImage(today, &next);
  FileStamp expected = stamp_;
  if (overwriteChanged) expected.known = false;
  IoResult r = writeFileAtomic(currentPath_, &next, sizeof next, false, &expected);
  if (!r.written()) return r;  // a changed file is asked about first: the image stays as read
  *headerSet = header;
  image_ = next;
  saved_ = now_.table;
  stamp_ = expected;
  tell(Change::Saved, -1);
  return r;
}

IoResult DayModel::saveCopy(std::string& path, const LocalDate& today) const {
  DayFile copy;
  nextImage(today, &copy);
  return createOwnFileExclusive(path, &copy, sizeof copy);
}

}  // namespace plandor
