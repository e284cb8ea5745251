#include "daysteps.h"

#include "fileio.h"

namespace plandor {

std::optional<LocalDate> neighbourDay(const LocalDate& day, int step) {
  const double serial = toSerialDate(day) + step;
  const LocalDate n = fromSerialDate(serial);
  if (toSerialDate(n) != serial || n.year < 1000 || n.year > 9999) return std::nullopt;
  return n;
}

bool mayHoldDay(const std::string& path) { return !fileMissing(path) && !folderExists(path); }

LocalDate planDateAt(const LocalDateTime& t) {
  return t.hour < 6 ? fromSerialDate(toSerialDate(t.date) - 1) : t.date;
}

}  // namespace plandor
