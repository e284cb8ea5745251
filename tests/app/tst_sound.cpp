// The event sound: the desktop's switch as XSETTINGS carries it, and a
// loader that never waits for the sound system or for the file.
#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <optional>
#include <string>
#include <vector>

#include "soundloader.h"
#include "wavfile.h"
#include "xsettings.h"

using namespace plandor;

namespace {

// Builds an _XSETTINGS_SETTINGS property in either byte order.
struct Settings {
  bool msbFirst;
  std::string bytes;
  int count = 0;

  explicit Settings(bool msb) : msbFirst(msb) {}
  void number(uint32_t v, int n) {
    for (int i = 0; i < n; ++i) {
      const int shift = 8 * (msbFirst ? n - 1 - i : i);
      bytes += static_cast<char>(v >> shift & 0xFF);
    }
  }
  void text(const std::string& s) {
    bytes += s;
    bytes.append((4 - s.size() % 4) % 4, '\0');
  }
  void head(int type, const std::string& name) {
    ++count;
    number(static_cast<uint32_t>(type), 1);
    bytes += '\0';
    number(static_cast<uint32_t>(name.size()), 2);
    text(name);
    number(7, 4);  // last change
  }
  Settings& integer(const std::string& name, int32_t v) {
    head(0, name);
    number(static_cast<uint32_t>(v), 4);
    return *this;
  }
  Settings& string(const std::string& name, const std::string& v) {
    head(1, name);
    number(static_cast<uint32_t>(v.size()), 4);
    text(v);
    return *this;
  }
  Settings& colour(const std::string& name) {
    head(2, name);
    bytes.append(8, '\x11');
    return *this;
  }
  std::string property() const {
    Settings h(msbFirst);
    h.bytes = std::string(1, msbFirst ? '\1' : '\0') + std::string(3, '\0');
    h.number(3, 4);  // serial
    h.number(static_cast<uint32_t>(count), 4);
    return h.bytes + bytes;
  }
};

constexpr char kEventSounds[] = "Net/EnableEventSounds";

std::string le(uint32_t v, int n) {
  std::string b;
  for (int i = 0; i < n; ++i) b += static_cast<char>(v >> (8 * i) & 0xFF);
  return b;
}
std::string chunk(const std::string& id, const std::string& body, uint32_t size) { return id + le(size, 4) + body; }
std::string chunk(const std::string& id, const std::string& body) {
  return chunk(id, body, static_cast<uint32_t>(body.size())) + (body.size() % 2 ? std::string(1, '\0') : "");
}
std::string fmt(int tag, int channels, int rate, int bits) {
  return chunk("fmt ", le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * channels * bits / 8, 4) +
                           le(channels * bits / 8, 2) + le(bits, 2));
}
std::string riff(const std::string& chunks) { return "RIFF" + le(4 + chunks.size(), 4) + "WAVE" + chunks; }

}  // namespace

Q_DECLARE_METATYPE(std::optional<int>)

class TestSound : public QObject {
  Q_OBJECT
 private slots:
  void eventSoundSwitch_data();
  void eventSoundSwitch();
  void wavLayout_data();
  void wavLayout();
  void aFifoNamedAsTheSoundNeitherBlocksNorPlays();
  void withoutSoundServerOrModuleNothingWaitsOrComplains_data();
  void withoutSoundServerOrModuleNothingWaitsOrComplains();
};

void TestSound::eventSoundSwitch_data() {
  QTest::addColumn<QByteArray>("property");
  QTest::addColumn<std::optional<int>>("found");
  auto row = [](const char* name, const std::string& p, std::optional<int> v) {
    QTest::newRow(name) << QByteArray::fromStdString(p) << v;
  };
  for (bool msb : {false, true}) {
    const std::string order = msb ? "msb: " : "lsb: ";
    row((order + "off after a string and a colour").c_str(),
        Settings(msb).string("Net/ThemeName", "Adwaita").colour("Gtk/Colour").integer(kEventSounds, 0).property(),
        0);
    row((order + "on, name a multiple of 4 long").c_str(),
        Settings(msb).integer("Net/CursorBlink", 1).integer(kEventSounds, 1).property(), 1);
    row((order + "a negative number").c_str(), Settings(msb).integer(kEventSounds, -2).property(), -2);
    row((order + "absent").c_str(), Settings(msb).integer("Net/EnableInputFeedbackSounds", 0).property(),
        std::nullopt);
  }
  const std::string good = Settings(false).string("Net/IconThemeName", "hicolor").integer(kEventSounds, 0).property();
  row("cut inside the string before it", good.substr(0, 40), std::nullopt);
  row("cut inside its value", good.substr(0, good.size() - 2), std::nullopt);
  row("header only", good.substr(0, 6), std::nullopt);
  std::string badOrder = good;
  badOrder[0] = '\2';
  row("unknown byte order", badOrder, std::nullopt);
  std::string badType = Settings(false).integer(kEventSounds, 0).property();
  badType[12] = '\3';
  row("unknown setting type", badType, std::nullopt);
  Settings tooMany(false);
  tooMany.integer("Net/DndDragThreshold", 8);
  tooMany.count = 1000000;
  row("more settings counted than held", tooMany.property(), std::nullopt);
  Settings longName(false);
  longName.head(0, kEventSounds);
  std::string cut = longName.property();
  cut[17] = '\xFF';  // name length claims more bytes than remain
  cut[18] = '\xFF';
  row("name longer than the property", cut, std::nullopt);
}

void TestSound::eventSoundSwitch() {
  QFETCH(QByteArray, property);
  QFETCH(std::optional<int>, found);
  QCOMPARE(xsettingsInteger(property.toStdString(), kEventSounds), found);
}

void TestSound::wavLayout_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<int>("sample");  // -1: refused
  QTest::addColumn<int>("channels");
  QTest::addColumn<int>("frames");
  auto row = [](const char* name, const std::string& f, int sample, int channels = 0, int frames = 0) {
    QTest::newRow(name) << QByteArray::fromStdString(f) << sample << channels << frames;
  };
  using S = WavSound::Sample;
  const std::string pcm(8, '\x10');
  row("16-bit stereo", riff(fmt(1, 2, 22050, 16) + chunk("data", pcm)), int(S::S16LE), 2, 2);
  row("a list chunk of odd size before the samples",
      riff(fmt(1, 1, 8000, 8) + chunk("LIST", "INFOx") + chunk("data", pcm)), int(S::U8), 1, 8);
  row("24-bit: a partial frame at the end is left out", riff(fmt(1, 1, 48000, 24) + chunk("data", pcm)),
      int(S::S24LE), 1, 2);
  row("float", riff(fmt(3, 1, 48000, 32) + chunk("data", pcm)), int(S::Float32LE), 1, 2);
  const std::string plain = fmt(0xFFFE, 2, 44100, 16).substr(8);
  const std::string extensible =
      chunk("fmt ", plain + le(22, 2) + le(16, 2) + le(3, 4) + le(1, 2) + std::string(14, 'g'));
  row("extensible header naming PCM", riff(extensible + chunk("data", pcm)), int(S::S16LE), 2, 2);
  row("data longer than the file: cut short", riff(fmt(1, 1, 8000, 16) + chunk("data", pcm, 1000)),
      int(S::S16LE), 1, 4);
  row("samples before their layout", riff(chunk("data", pcm) + fmt(1, 1, 8000, 16)), -1);
  row("12-bit samples", riff(fmt(1, 1, 8000, 12) + chunk("data", pcm)), -1);
  row("no channels", riff(fmt(1, 0, 8000, 16) + chunk("data", pcm)), -1);
  row("no samples", riff(fmt(1, 1, 8000, 16) + chunk("data", "")), -1);
  row("less than one frame", riff(fmt(1, 2, 8000, 16) + chunk("data", "abc")), -1);
  row("a chunk claiming more than the file", riff(fmt(1, 1, 8000, 16) + chunk("junk", "ab", 0xFFFFFFF0u)), -1);
  row("odd chunk ending the file exactly", riff(fmt(1, 1, 8000, 16) + chunk("junk", "abc", 3)), -1);
  row("not RIFF", "not a sound", -1);
}

void TestSound::wavLayout() {
  QFETCH(QByteArray, file);
  QFETCH(int, sample);
  const std::string bytes = file.toStdString();
  const std::optional<WavSound> s = parseWav(bytes);
  QCOMPARE(s.has_value(), sample >= 0);
  if (!s) return;
  QFETCH(int, channels);
  QFETCH(int, frames);
  QCOMPARE(int(s->sample), sample);
  QCOMPARE(int(s->channels), channels);
  QCOMPARE(int(s->data.size() / s->frameBytes), frames);
  QCOMPARE(s->data.size() % s->frameBytes, size_t{0});
  QVERIFY(s->data.data() >= bytes.data() && s->data.data() + s->data.size() <= bytes.data() + bytes.size());
}

// A FIFO under the sound's name would block the reader that opens it, and
// nobody ever writes to it: the file is refused at once.
void TestSound::aFifoNamedAsTheSoundNeitherBlocksNorPlays() {
  QTemporaryDir dir;
  const std::string fifo = dir.filePath(QStringLiteral("Shutter.wav")).toStdString();
  QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
  std::vector<std::string> failed;
  SoundLoader loader(PLANDOR_SOUND_MODULE, [&](const std::string& p) { failed.push_back(p); });
  loader.play(fifo);  // a play that opened the FIFO would never return
  QTRY_COMPARE_WITH_TIMEOUT(failed, std::vector<std::string>{fifo}, 10000);
}

void TestSound::withoutSoundServerOrModuleNothingWaitsOrComplains_data() {
  QTest::addColumn<QString>("module");
  QTest::newRow("module, no sound server") << QStringLiteral(PLANDOR_SOUND_MODULE);
  QTest::newRow("no module") << QStringLiteral("/nonexistent/plandor-sound.so");
}

void TestSound::withoutSoundServerOrModuleNothingWaitsOrComplains() {
  QFETCH(QString, module);
  QTemporaryDir dir;
  const QString wav = dir.filePath(QStringLiteral("Shutter.wav"));
  QVERIFY(QFile::copy(QStringLiteral(PLANDOR_SHUTTER_WAV), wav));
  int failures = 0;
  {
    SoundLoader loader(module.toStdString(), [&](const std::string&) { ++failures; });
    loader.play(wav.toStdString());
    loader.play(wav.toStdString());
    QTest::qWait(500);
  }  // the end waits for no sound system
  QCOMPARE(failures, 0);
}

QTEST_GUILESS_MAIN(TestSound)
#include "tst_sound.moc"
