// The second yardstick for start-up: the planner's window reduced to its
// texts. The menu bar with the planner's menus and every text a start shows
// (captions, dates, clock, status panels, the first-use hint, the hour
// labels, the captions and texts of the bench's pads) in the same font, set
// up the same way; no controls, no files. Whatever the planner needs beyond
// this is its own cost, not the font system's. Keep the texts in step with
// the main window's.
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QFont>
#include <QMainWindow>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

namespace {

const QColor kSkyBlue(166, 202, 240);
const QColor kTimeColumn(215, 228, 242);

struct Text {
  QPoint at;  // top left
  const char* text;
  enum Look { Plain, White, Big, Bold } look;
};

class Texts final : public QWidget {
 public:
  explicit Texts(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    const QDateTime now = QDateTime::currentDateTime();
    date_ = now.date().toString(QStringLiteral("yyyy年M月d日"));
    const int h = now.time().hour();
    clock_ = QStringLiteral("%1 %2時 %3分 %4秒")
                 .arg(h < 12 ? QStringLiteral("AM") : QStringLiteral("PM"))
                 .arg(h % 12 == 0 ? 12 : h % 12, 2, 10, QLatin1Char('0'))
                 .arg(now.time().minute(), 2, 10, QLatin1Char('0'))
                 .arg(now.time().second(), 2, 10, QLatin1Char('0'));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    static const Text texts[] = {
        {{683, 15}, "ファイル名：", Text::White},
        {{685, 33}, "未作成", Text::Plain},
        {{683, 55}, "ファイル作成日：", Text::White},
        {{683, 105}, "本日の日付：", Text::White},
        {{683, 150}, "只今の時刻：", Text::White},
        {{755, 148}, "更新", Text::Plain},
        {{691, 195}, "本ウィンドウは", Text::White},
        {{691, 208}, "高さ方向にのみ", Text::White},
        {{691, 221}, "伸縮可能です.", Text::White},
        {{700, 249}, "パッドを削除", Text::Plain},
        {{695, 279}, "ルーチン仮登録", Text::Plain},
        {{695, 304}, "ルーチン設定...", Text::Plain},
        {{700, 334}, "ルーチン表示", Text::Plain},
        {{690, 389}, "一日の終わりに...", Text::Plain},
        {{720, 448}, "保存", Text::Big},
        {{722, 497}, "終了", Text::Plain},
        {{356, 313}, "\u3000", Text::Plain},
        {{356, 326}, "\u3000左の白いドラッグ・エリア上で, ", Text::Plain},
        {{356, 339}, "\u3000", Text::Plain},
        {{356, 352}, "\u3000およその開始時刻から終了時刻までドラッグしてください. ", Text::Plain},
        {{356, 365}, "\u3000", Text::Plain},
        {{356, 378}, "\u3000(本メッセージは,左クリックで消えます.) ", Text::Plain},
        // A pad of a day file: the captions of its controls and its texts.
        {{18, 40}, "開始", Text::Plain},
        {{18, 70}, "終了", Text::Plain},
        {{112, 38}, "PM", Text::Plain},
        {{20, 94}, "一時保存", Text::Plain},
        {{92, 94}, "変更", Text::Plain},
        {{176, 91}, "完了", Text::Plain},
        {{228, 91}, "赤 ライム 青", Text::Plain},
        {{160, 42}, "会議 資料作成 移動", Text::Plain},
        {{160, 67}, "週次の進捗確認 見積書と提案書 駅まで徒歩", Text::Plain},
        // Panel 0 shows the hint of the pane under the pointer.
        {{3, 0}, "パッド表示ペインです. ここにスケジュール・パッドが表示されます.", Text::Plain},
        {{630, 0}, "データ総数: 0", Text::Plain},
        {{713, 0}, "ルーチン総数: 0", Text::Plain},
    };
    static const char* const hours[] = {"8", "9", "10", "11", "0", "1", "2", "3", "4"};

    QPainter p(this);
    p.fillRect(rect(), kSkyBlue);
    p.fillRect(QRect(316, 18, 21, height() - 46), kTimeColumn);
    QFont plain = font();
    QFont big = plain;
    big.setPixelSize(15);
    QFont bold = plain;
    bold.setBold(true);
    const int statusTop = height() - 18;
    for (const Text& t : texts) {
      p.setFont(t.look == Text::Big ? big : plain);
      p.setPen(t.look == Text::White ? Qt::white : Qt::black);
      const QPoint at = t.at.y() == 0 ? QPoint(t.at.x(), statusTop) : t.at;
      p.drawText(QRect(at, QSize(width() - at.x(), 40)), Qt::AlignLeft | Qt::AlignTop, QString::fromUtf8(t.text));
    }
    p.setPen(Qt::black);
    p.drawText(QPoint(685, 82 + p.fontMetrics().ascent()), date_);
    p.drawText(QPoint(685, 122 + p.fontMetrics().ascent()), date_);
    p.drawText(QPoint(680, 167 + p.fontMetrics().ascent()), clock_);
    p.setFont(bold);
    p.drawText(QPoint(317, 22 + p.fontMetrics().ascent()), QStringLiteral("AM"));
    for (int i = 0; i < 9; ++i)
      p.drawText(QPoint(320, 53 + 60 * i + p.fontMetrics().ascent()), QString::fromUtf8(hours[i]));
    p.drawText(QPoint(317, 257 + p.fontMetrics().ascent()), QStringLiteral("PM"));
  }

 private:
  QString date_;
  QString clock_;
};

void addMenus(QMainWindow& w) {
  auto menu = [&w](const char* title, std::initializer_list<const char*> items) {
    QMenu* m = w.menuBar()->addMenu(QString::fromUtf8(title));
    for (const char* item : items) {
      if (*item)
        m->addAction(new QAction(QString::fromUtf8(item), &w));
      else
        m->addSeparator();
    }
  };
  menu("ファイル(&F)", {"保存(&S)", "", "終了(&X)"});
  menu("スケジュール(&D)",
       {"過去のスケジュール(&P)...", "今日のスケジュール(&T)", "", "一日の終わりに(&D)...", "",
        "スケジュール・パッドを削除(&R)"});
  menu("ルーチン(&R)", {"ルーチン仮登録(&E)", "ルーチン設定(&S)...", "", "ルーチン表示(&R)"});
  menu("オプション(&O)", {"リスト項目を設定(&L)..."});
  menu("ヘルプ(&H)", {"目次(&C)...", "", "バージョン情報(&A)..."});
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The font the planner's texts are drawn in: one family, named as
  // installed. A second family in the list would cost every font a fallback
  // look-up that showing these texts does not need.
  QFont font(QStringLiteral("IPAPGothic"));
  font.setPixelSize(12);
  QApplication::setFont(font);

  QMainWindow window;
  window.setWindowTitle(QStringLiteral("text floor"));
  addMenus(window);
  window.setCentralWidget(new Texts(&window));
  // The planner's size when it maps: 800 wide, the work area's height.
  const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
  window.move(work.topLeft());
  window.resize(800, std::max(600, work.height()));
  window.show();
  return app.exec();
}
