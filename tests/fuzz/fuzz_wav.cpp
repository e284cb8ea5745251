// The sound file's reader: any bytes as Shutter.wav. What it accepts lies
// inside the bytes, is whole frames of a layout the sound server takes, and
// is found again, from the same place, when the bytes after the samples change.
#include "fuzzsupport.h"
#include "wavfile.h"

using namespace plandor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<WavSound> s = parseWav(bytes);
  if (!s) return 0;
  FUZZ_CHECK(s->channels >= 1 && s->channels <= 32 && s->rate >= 1 && s->rate <= 384000);
  FUZZ_CHECK(s->frameBytes >= 1 && s->frameBytes <= 4 * 32);
  FUZZ_CHECK(!s->data.empty() && s->data.size() % s->frameBytes == 0);
  FUZZ_CHECK(s->data.data() >= bytes.data() && s->data.data() + s->data.size() <= bytes.data() + bytes.size());
  // What follows the samples is never read.
  const std::size_t end = static_cast<std::size_t>(s->data.data() - bytes.data()) + s->data.size();
  std::string changed(bytes.substr(0, end));
  changed += "tail";
  const std::optional<WavSound> again = parseWav(changed);
  FUZZ_CHECK(again && again->data.data() - changed.data() == s->data.data() - bytes.data());
  FUZZ_CHECK(again->data.size() >= s->data.size() && again->sample == s->sample && again->channels == s->channels);
  return 0;
}
