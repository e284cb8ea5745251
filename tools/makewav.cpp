// Writes Shutter.wav, the confirmation sound: a short two-stage camera
// shutter click made of filtered noise bursts and a damped resonance.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void put16(std::FILE* f, std::uint16_t v) { std::fputc(v & 0xFF, f), std::fputc(v >> 8, f); }
void put32(std::FILE* f, std::uint32_t v) { put16(f, v & 0xFFFF), put16(f, v >> 16); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: makewav OUT.wav\n");
    return 2;
  }
  const int rate = 22050;
  const int n = rate * 22 / 100;  // 0.22 s
  std::vector<double> s(n, 0.0);
  std::uint32_t seed = 12345;
  auto noise = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
  };
  // Two clicks: the blades opening, then closing a little quieter.
  const struct { double at, gain, decay, tone; } clicks[] = {{0.000, 0.9, 160.0, 2300.0}, {0.085, 0.7, 200.0, 1700.0}};
  const double pi = 3.14159265358979323846;
  for (const auto& c : clicks) {
    const int start = static_cast<int>(c.at * rate);
    double lp = 0.0;
    for (int i = start; i < n; ++i) {
      const double t = static_cast<double>(i - start) / rate;
      const double env = std::exp(-t * c.decay);
      lp += 0.45 * (noise() - lp);  // soften the hiss
      s[i] += c.gain * env * (0.75 * lp + 0.35 * std::sin(2 * pi * c.tone * t) * std::exp(-t * 90.0));
    }
  }
  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  const std::uint32_t dataBytes = static_cast<std::uint32_t>(n) * 2;
  std::fwrite("RIFF", 1, 4, f);
  put32(f, 36 + dataBytes);
  std::fwrite("WAVEfmt ", 1, 8, f);
  put32(f, 16);
  put16(f, 1);  // PCM
  put16(f, 1);  // mono
  put32(f, rate);
  put32(f, rate * 2);
  put16(f, 2);
  put16(f, 16);
  std::fwrite("data", 1, 4, f);
  put32(f, dataBytes);
  for (int i = 0; i < n; ++i) {
    double v = std::fmax(-1.0, std::fmin(1.0, s[i]));
    put16(f, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 30000.0))));
  }
  return std::fclose(f) == 0 ? 0 : 1;
}
