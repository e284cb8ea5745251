// CP932 text fields, the date and clock texts, and the hash stored files carry.
#include <QTest>

#include "calendar.h"
#include "codec.h"
#include "filehelpers.h"
#include "fnv1a.h"

using namespace plandor;

class TestText : public QObject {
  Q_OBJECT
 private slots:
  void cp932RoundTripsWindowsCharacters();
  void unencodableAndMalformedBecomeQuestionMarks();
  void cuttingNeverSplitsACharacter();
  void fieldReadsAtMostItsCapacity();
  void serialDates();
  void texts();
  void hash();
};

void TestText::cp932RoundTripsWindowsCharacters() {
  QCOMPARE(sjis("キーワード"), QByteArray::fromHex("834c815b838f815b8368"));
  QCOMPARE(cp932Length("今日一日をふり返って一言"), std::size_t(24));
  // Backslash and tilde stay ASCII; the trail byte of 予 is 0x5C; ① and 髙
  // exist only in the Windows code page.
  for (const char* s : {"C:\\予定\\~", "①②髙", "タイトル1"}) QCOMPARE(cp932ToUtf8(utf8ToCp932(s)), std::string(s));
  QCOMPARE(sjis("予"), QByteArray::fromHex("975c"));
  QCOMPARE(sjis("\\~"), QByteArray("\\~"));
}

void TestText::unencodableAndMalformedBecomeQuestionMarks() {
  QCOMPARE(utf8ToCp932("a😀b"), std::string("a?b"));
  QCOMPARE(utf8ToCp932("x\xff" "y"), std::string("x?y"));
  // A lone lead byte at the end, and an invalid pair, decode as "?".
  QCOMPARE(cp932ToUtf8("ab\x83"), std::string("ab?"));
  QCOMPARE(cp932ToUtf8(std::string("\x85\x40z")).back(), 'z');
}

void TestText::cuttingNeverSplitsACharacter() {
  ShortText<31> field{};
  field.setText("あいうえおかきくけこさしすせそたち");  // 17 kana = 34 bytes
  QCOMPARE(int(field.length), 30);
  QCOMPARE(field.text(), std::string("あいうえおかきくけこさしすせそ"));
  field.setText("aあいうえおかきくけこさしすせそた");  // 1 + 32 bytes
  QCOMPARE(int(field.length), 31);
  QCOMPARE(field.text(), std::string("aあいうえおかきくけこさしすせそ"));
  QCOMPARE(utf8CutToCp932Capacity("ab予定", 4), std::string("ab予"));
  // Bytes after the new length are left as they were.
  ShortText<4> small{};
  small.setRaw("wxyz");
  small.setRaw("a");
  QCOMPARE(QByteArray(small.bytes, 4), QByteArray("axyz"));
}

void TestText::fieldReadsAtMostItsCapacity() {
  ShortText<3> f{};
  f.length = 200;
  f.bytes[0] = 'a', f.bytes[1] = 'b', f.bytes[2] = 'c';
  QCOMPARE(f.raw().size(), std::size_t(3));
  QCOMPARE(f.text(), std::string("abc"));
}

void TestText::serialDates() {
  QCOMPARE(toSerialDate({2006, 1, 1}), 38718.0);
  QCOMPARE(toSerialDate({1899, 12, 30}), 0.0);
  QCOMPARE(fromSerialDate(38718.0), (LocalDate{2006, 1, 1}));
  QCOMPARE(fromSerialDate(38718.75), (LocalDate{2006, 1, 1}));
  QCOMPARE(fromSerialDate(toSerialDate({2024, 2, 29})), (LocalDate{2024, 2, 29}));
  QCOMPARE(fromSerialDate(1e300), LocalDate{});  // garbage in a header
  QCOMPARE(weekday({2006, 1, 1}), 0);            // a Sunday
  QCOMPARE(weekday({2026, 12, 7}), 1);
}

void TestText::texts() {
  QCOMPARE(monthFolderName({2005, 3, 5}), std::string("Y200503"));
  QCOMPARE(dayFileName({2005, 3, 5}), std::string("Y2005035.sdf"));
  QCOMPARE(dayFileName({2005, 3, 25}), std::string("Y20050325.sdf"));
  QCOMPARE(longDateText({2006, 1, 1}), std::string("2006年1月1日"));
  QCOMPARE(clockText(0, 5, 9), std::string("AM 12時 05分 09秒"));
  QCOMPARE(clockText(12, 0, 0), std::string("PM 12時 00分 00秒"));
  QCOMPARE(clockText(15, 7, 9), std::string("PM 03時 07分 09秒"));
  QCOMPARE(clockText(11, 59, 59), std::string("AM 11時 59分 59秒"));
}

// Recovery files, exported events and the reminded list hold these values:
// a change of constant would make every stored one fail.
void TestText::hash() {
  QCOMPARE(fnv1a(""), 0xcbf29ce484222325ull);
  QCOMPARE(fnv1a("a"), 0xaf63dc4c8601ec8cull);
  QCOMPARE(fnv1a("foobar"), 0x85944171f73967e8ull);
  QCOMPARE(fnv1a("bar", fnv1a("foo")), fnv1a("foobar"));
  QCOMPARE(fnv1a(std::string_view("\xff\0", 2)), fnv1a(std::string_view("\0", 1), fnv1a("\xff")));
  QCOMPARE(fnv1a("", kFnv1aShortBasis), 1469598103934665603ull);
  QCOMPARE(fnv1a("a", kFnv1aShortBasis), 0x44bd8ad473cd9906ull);
}

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
