// What a CalDAV server (or anything answering at its URL) sends back, and a
// user's .netrc: the listing read whole and in pieces of any size gives the
// same items; the target's description and the password look-up never fail.
// The first byte picks the reader and, for the listing, the piece size.
#include "caldav.h"
#include "fuzzsupport.h"

using namespace plandor;
using namespace plandor::ics;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (mode % 3) {
    case 0: {
      const auto whole = parseMultistatus(text);
      std::vector<RemoteItem> pieces;
      MultistatusReader reader([&](RemoteItem&& r) { pieces.push_back(std::move(r)); });
      const std::size_t step = mode / 3 + 1;
      for (std::size_t at = 0; at < text.size(); at += step) reader.feed(text.data() + at, std::min(step, text.size() - at));
      const bool read = reader.finish();
      FUZZ_CHECK(read == whole.has_value());
      if (whole) {
        FUZZ_CHECK(whole->size() == pieces.size());
        for (std::size_t i = 0; i < pieces.size(); ++i) {
          FUZZ_CHECK((*whole)[i].href == pieces[i].href && (*whole)[i].digest == pieces[i].digest);
          FUZZ_CHECK(ownUidDate(pieces[i].uid).has_value());
        }
      }
      std::vector<std::string> hrefs;
      MultistatusReader listing([&](std::string&& h) { hrefs.push_back(std::move(h)); });
      listing.feed(text.data(), text.size());
      listing.finish();
      for (const std::string& h : hrefs) FUZZ_CHECK(!h.empty() && h.back() != '/');
      break;
    }
    case 1:
      parseCollectionInfo(text);
      break;
    case 2: {
      const auto pw = netrcPassword(text, "h", "u", mode & 4);
      if (pw) FUZZ_CHECK(text.find(*pw) != std::string_view::npos || pw->empty() || text.find('"') != std::string_view::npos);
      break;
    }
  }
  return 0;
}
