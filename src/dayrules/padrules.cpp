#include "padrules.h"

namespace plandor {
namespace {

void clearTimes(PadRecord& p) {
  p.StartHour = p.StartMinute = p.EndHour = p.EndMinute = -1;
  p.StartPM = p.EndPM = 0;
}

void copyTimes(PadRecord& to, const PadRecord& from) {
  to.StartHour = from.StartHour, to.StartMinute = from.StartMinute, to.StartPM = from.StartPM;
  to.EndHour = from.EndHour, to.EndMinute = from.EndMinute, to.EndPM = from.EndPM;
}

void clearBarTo(BarRecord& b, std::int32_t color) {
  b.Side.clear();
  b.TopY = b.BottomY = -1;
  b.Color = color;
}

// Reads both hours; a typed 12 is the 0 of its flag (12 PM is noon, as the
// clock shows it). On a refusal the result carries the verdict and nothing
// else has been touched.
bool readHours(const SchedEntry& e, PadStoreResult& r, int& start, int& end) {
  for (const auto* t : {&e.common.start, &e.common.end}) {
    const HourEntry h = readDialHour(t->hourText);
    if (h.reading != HourReading::Dial) {
      r.verdict = h.reading == HourReading::OutsideDial ? PadVerdict::HourOutsideDial : PadVerdict::NotInteger;
      r.refusedHour = t->hourText;
      return false;
    }
    (t == &e.common.start ? start : end) = h.hour;
  }
  return true;
}

// The copy step: every field from the entry, the bar rows from the times.
void copyStep(const SchedEntry& e, int startHour, int endHour, PadStoreResult& r) {
  r.pad.PadNo = e.padNo;
  r.pad.Top = e.top;
  storeCommonFields(r.pad, e.common, startHour, endHour);
  r.pad.Completed = e.completed ? 1 : 0;
  r.bar.TopY = TimeToY(r.pad.StartHour, r.pad.StartMinute, r.pad.StartPM);
  r.bar.BottomY = TimeToY(r.pad.EndHour, r.pad.EndMinute, r.pad.EndPM);
}

// Range corrections and the bar step of an accepted period.
void accept(PadStoreResult& r) {
  if (r.bar.TopY < 0) {
    r.startCorrected = true;
    r.pad.StartHour = 6, r.pad.StartMinute = 0, r.pad.StartPM = 0;
    r.bar.TopY = 0;
  }
  if (r.bar.BottomY > kDayRows) {
    r.endCorrected = true;
    r.pad.EndHour = 5, r.pad.EndMinute = 59, r.pad.EndPM = 0;
    r.bar.BottomY = kDayRows - 1;
  }
  r.bar.Side.setRaw(onRightPane(r.pad.Left) ? "R" : "L");
  r.bar.Color = r.pad.Color;
}

}  // namespace

std::optional<int> parseHour(const std::string& text) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return std::nullopt;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    v = v * 10 + (text[i] - '0');
    if (v > 2147483648LL) return std::nullopt;
  }
  v = negative ? -v : v;
  if (v > 2147483647LL) return std::nullopt;
  return static_cast<int>(v);
}

std::optional<int> dialHour(int hour) {
  if (hour == 12) return 0;
  if (hour < 0 || hour > 11) return std::nullopt;
  return hour;
}

HourEntry readDialHour(const std::string& text) {
  const std::optional<int> h = parseHour(text);
  if (!h) return {HourReading::NotInteger, 0};
  const std::optional<int> dial = dialHour(*h);
  if (!dial) return {HourReading::OutsideDial, 0};
  return {HourReading::Dial, *dial};
}

PadStoreResult temporarySave(const SchedEntry& e, const BarRecord& bar, const PadRecord& pad) {
  PadStoreResult r;
  r.bar = bar;
  r.pad = pad;
  int startHour = 0, endHour = 0;
  if (!readHours(e, r, startHour, endHour)) return r;
  copyStep(e, startHour, endHour, r);
  if (r.bar.BottomY <= r.bar.TopY) {
    r.verdict = PadVerdict::EndNotAfterStart;
    clearTimes(r.pad);
    clearBarTo(r.bar, 0);
    return r;
  }
  accept(r);
  r.pad.Top = r.bar.TopY + 1;
  return r;
}

PadStoreResult change(const SchedEntry& e, const BarRecord& bar, const PadRecord& pad) {
  PadStoreResult r;
  r.bar = bar;
  r.pad = pad;
  int startHour = 0, endHour = 0;
  if (!readHours(e, r, startHour, endHour)) return r;
  clearBarTo(r.bar, 0xFFFFFF);
  copyStep(e, startHour, endHour, r);
  if (r.bar.BottomY > r.bar.TopY) {
    accept(r);
    return r;
  }
  r.verdict = PadVerdict::EndNotAfterStart;
  if (bar.TopY != -1) {
    copyTimes(r.pad, pad);
    r.bar = bar;
    r.timesRestored = true;
  } else {
    r.bar.TopY = r.bar.BottomY = -1;
  }
  return r;
}

}  // namespace plandor
