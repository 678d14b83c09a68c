// The two windows as drawn: places, sizes, texts, hints, colours, frames, the
// gauge's repaints and the memo binding.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTextBlock>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>

#include "tests/qt/Fixture.h"
#include "ui/MainTexts.h"
#include "ui/qt/Text.h"
#include "ui/qt/Widgets.h"

namespace qttest {
namespace {

using uiqt::ToQt;

enum class Kind { Panel, Label, List, EditList, Picture, Button, Gauge, Bar, Memo };

struct Row {
  const char* name;
  Kind kind;
  const char* parent;
  QRect geometry;
  const char* caption;  // nullptr: none to check
  const char* hint;
  bool hand;
};

bool IsKind(QWidget* w, Kind kind) {
  switch (kind) {
    case Kind::Panel: return qobject_cast<QFrame*>(w) && !qobject_cast<QLabel*>(w) && !qobject_cast<QPlainTextEdit*>(w);
    case Kind::Label: return qobject_cast<QLabel*>(w);
    case Kind::List: return qobject_cast<QComboBox*>(w) && !static_cast<QComboBox*>(w)->isEditable();
    case Kind::EditList: return qobject_cast<QComboBox*>(w) && static_cast<QComboBox*>(w)->isEditable();
    case Kind::Picture: return qobject_cast<QToolButton*>(w);
    case Kind::Button: return qobject_cast<QPushButton*>(w);
    case Kind::Gauge: return dynamic_cast<uiqt::GaugeWidget*>(w);
    case Kind::Bar: return qobject_cast<QProgressBar*>(w);
    case Kind::Memo: return qobject_cast<QPlainTextEdit*>(w);
  }
  return false;
}

TEST_F(Windows, EveryControlOfTheLayoutIsAtItsPlaceWithItsKindTextAndHint) {
  namespace t = ui::texts;
  const Row rows[] = {
      {"sPanel1", Kind::Panel, "MainForm", {7, 8, 289, 73}, nullptr, "", false},
      {"Label1", Kind::Label, "sPanel1", {49, 17, 28, 13}, t::kLabel1Caption, t::kLabel1Hint, false},
      {"cbPort", Kind::List, "sPanel1", {30, 37, 73, 21}, nullptr, t::kCbPortHint, true},
      {"ButtonWrite", Kind::Picture, "sPanel1", {128, 8, 73, 57}, "", t::kButtonWriteHint, true},
      {"PNGButton6", Kind::Picture, "sPanel1", {224, 15, 41, 42}, "", t::kPNGButton6Hint, true},
      {"ProgressbarReadWrite", Kind::Gauge, "MainForm", {6, 104, 289, 17}, nullptr, "", false},
      {"Label3", Kind::Label, "MainForm", {12, 149, 110, 13}, t::kAutoCalibrationZero, "", false},
      {"ProgressbarWrite", Kind::Bar, "MainForm", {8, 167, 265, 9}, nullptr, "", false},
      {"cbBaudRate", Kind::List, "MainForm", {16, 190, 81, 21}, nullptr, t::kCbBaudRateHint, true},
      {"sPanel3", Kind::Panel, "MainForm", {248, 200, 41, 153}, nullptr, "", false},
      {"sButton2", Kind::Button, "sPanel3", {8, 12, 25, 57}, "", t::kSButton2Hint, false},
      {"sButton3", Kind::Button, "sPanel3", {8, 84, 25, 57}, "", t::kSButton3Hint, false},
      {"sPanel2", Kind::Panel, "MainForm", {8, 224, 265, 81}, nullptr, "", false},
      {"ButtonConect", Kind::Button, "sPanel2", {31, 16, 81, 57}, t::kButtonConectCaption, "", true},
      {"ButtonOpenHex", Kind::Button, "sPanel2", {152, 16, 81, 57}, t::kButtonOpenHexCaption, t::kButtonOpenHexHint, true},
      {"TextTerminal", Kind::Memo, "MainForm", {-288, 320, 465, 225}, nullptr, "", false},
      {"MemoAbout", Kind::Memo, "MainForm", {264, 368, 273, 193}, nullptr, t::kMemoAboutHint, false},
      {"sComboBoxSkinName", Kind::EditList, "MainForm", {32, 760, 145, 21}, nullptr, "", false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    QWidget* w = Find(r.name);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(IsKind(w, r.kind));
    EXPECT_EQ(w->parentWidget()->objectName(), QLatin1String(r.parent));
    EXPECT_EQ(w->geometry(), r.geometry);
    EXPECT_EQ(w->toolTip(), uiqt::WithLineBreaks(r.hint));
    EXPECT_EQ(w->cursor().shape() == Qt::PointingHandCursor, r.hand);
    EXPECT_TRUE(w->isEnabled());
    if (r.caption) {
      if (auto* l = qobject_cast<QLabel*>(w)) {
        EXPECT_EQ(l->text(), ToQt(r.caption));
      }
      if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        EXPECT_EQ(b->text(), ToQt(r.caption));
      }
    }
  }
  // The write hint's carriage returns are line breaks of the tool-tip.
  EXPECT_TRUE(Find("ButtonWrite")->toolTip().startsWith(QStringLiteral("\nКоманда запису!\n\n")));

  // The status line: its place, its height, and a width that follows its text.
  auto* status = Find<QLabel>("LabelNameOfHex");
  EXPECT_EQ(status->pos(), QPoint(10, 87));
  EXPECT_EQ(status->height(), 13);
  EXPECT_EQ(status->text(), ToQt(t::kIdentifyTheDevice));
  EXPECT_EQ(status->width(), status->fontMetrics().horizontalAdvance(status->text()));
  form->LabelNameOfHex.SetCaption("Мікропрограма готова до запису");
  EXPECT_EQ(status->width(), status->fontMetrics().horizontalAdvance(status->text()));

  // The skinned labels' colour; the lists white with black text, rows 15 high.
  EXPECT_EQ(Find("Label1")->palette().color(QPalette::WindowText), QColor(67, 76, 88));
  EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(67, 76, 88));
  for (const char* name : {"cbPort", "cbBaudRate", "sComboBoxSkinName"}) {
    auto* list = Find<QComboBox>(name);
    EXPECT_EQ(list->palette().color(QPalette::Base), QColor(Qt::white)) << name;
    EXPECT_EQ(list->palette().color(QPalette::Text), QColor(Qt::black)) << name;
  }
  auto* baud = Find<QComboBox>("cbBaudRate");
  ASSERT_EQ(baud->count(), 15);
  EXPECT_EQ(baud->itemText(0), "110");
  EXPECT_EQ(baud->itemText(14), "256000");
  baud->showPopup();
  EXPECT_EQ(baud->view()->sizeHintForRow(0), 15);
  baud->hidePopup();
  EXPECT_EQ(Find<QComboBox>("sComboBoxSkinName")->count(), 0);

  // Fonts: the window's, and the two memos' own sizes.
  EXPECT_EQ(window->font().families().value(0), "MS Sans Serif");
  EXPECT_EQ(window->font().pixelSize(), 11);
  // Styled controls too: a style sheet must not take the window's font away.
  for (const char* name : {"Label1", "cbPort", "ButtonConect", "cbBaudRate", "Label3", "ProgressbarReadWrite"}) {
    EXPECT_EQ(QFontInfo(Find(name)->font()).family().toStdString(), QFontInfo(window->font()).family().toStdString()) << name;
    EXPECT_EQ(Find(name)->font().pixelSize(), 11) << name;
  }
  EXPECT_EQ(Find("TextTerminal")->font().pixelSize(), 16);
  EXPECT_EQ(Find("MemoAbout")->font().pixelSize(), 15);
  // The carried firmware is in the hidden terminal from the start.
  window->DrawMemos();
  EXPECT_EQ(Find<QPlainTextEdit>("TextTerminal")->document()->blockCount(),
            static_cast<int>(form->TextTerminal.Lines().size()));
}

TEST_F(Windows, MainWindowHasAFixedCompactClientAndASingleFixedFrame) {
  ShowMain();
  EXPECT_EQ(window->size(), QSize(302, 132));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));

  // Centred on the screen.
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_LE(std::abs(window->frameGeometry().center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(window->frameGeometry().center().y() - screen.center().y()), 1);

  // The background is the light 3D edge colour, in the pixels too.
  const QColor light = QApplication::palette().color(QPalette::Light);
  EXPECT_EQ(window->palette().color(QPalette::Window), light);
  const QImage shot = window->grab().toImage();
  EXPECT_EQ(shot.pixelColor(299, 129), light);
  EXPECT_EQ(shot.pixelColor(3, 3), light);

  // The icon has both sizes.
  const QList<QSize> sizes = window->windowIcon().availableSizes();
  EXPECT_TRUE(sizes.contains(QSize(32, 32)));
  EXPECT_TRUE(sizes.contains(QSize(16, 16)));

  // The caption follows the model.
  form->SetCaption(ui::texts::kTitle);
  EXPECT_EQ(window->windowTitle(), ToQt(ui::texts::kTitle));
}

TEST_F(Windows, MovingNearAScreenEdgeSnapsToIt) {
  ShowMain();
  const QRect area = window->screen()->availableGeometry();
  window->move(area.left() + 7, area.top() + 200);
  Pump();
  EXPECT_EQ(window->frameGeometry().left(), area.left());
  EXPECT_EQ(window->frameGeometry().top(), area.top() + 200);
  window->move(area.left() + 200, area.bottom() - window->frameGeometry().height() - 8);
  Pump();
  EXPECT_EQ(window->frameGeometry().bottom(), area.bottom());
  // Farther than 10 pixels: left where it was put.
  window->move(area.left() + 11, area.top() + 100);
  Pump();
  EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(area.left() + 11, area.top() + 100));
}

TEST_F(Windows, GaugeRepaintsOnlyWhenItsPercentageChangesAndDrawsAMaroonBar) {
  ShowMain();
  uiqt::GaugeWidget* gauge = window->Gauge();
  auto& model = form->ProgressbarReadWrite;
  model.SetMaxValue(60000);
  model.SetProgress(0);
  Pump();
  const auto requests = gauge->RepaintRequests();
  const auto paints = gauge->Paints();
  for (int i = 0; i < 60000; ++i) model.StepBy(1);
  EXPECT_EQ(gauge->RepaintRequests() - requests, 100u);
  Pump();
  EXPECT_GT(gauge->Paints(), paints);
  EXPECT_LE(gauge->Paints() - paints, 101u);

  model.SetMaxValue(100);
  model.SetProgress(37);
  Pump();
  EXPECT_EQ(model.Text(), "37%");
  const QImage img = gauge->grab().toImage();
  const int inner = gauge->width() - 2;
  const int barEnd = 1 + inner * 37 / 100;
  EXPECT_EQ(img.pixelColor(barEnd - 3, 2), QColor(128, 0, 0));
  EXPECT_NE(img.pixelColor(barEnd + 3, 2), QColor(128, 0, 0));
  EXPECT_NE(img.pixelColor(gauge->width() - 3, gauge->height() / 2), QColor(128, 0, 0));
}

TEST_F(Windows, MemosFollowTheirModelsWhenLookedAtAndTakeWhatIsTyped) {
  auto* memo = Find<QPlainTextEdit>("MemoAbout");
  auto shown = [&] {
    window->DrawMemos();
    return memo->toPlainText();
  };
  form->MemoAbout.Clear();
  EXPECT_EQ(shown(), "");
  form->MemoAbout.Add("r0202;");
  form->MemoAbout.Add("Прилад ZOR-5");
  EXPECT_EQ(shown(), QStringLiteral("r0202;\nПрилад ZOR-5"));
  // A change to a line already shown: redrawn whole.
  form->MemoAbout.AppendToText(" v2");
  EXPECT_EQ(shown(), QStringLiteral("r0202;\nПрилад ZOR-5 v2"));
  form->MemoAbout.SetText("a\r\nb");
  EXPECT_EQ(shown(), QStringLiteral("a\nb"));
  // A device's description in Windows-1251 reads as Cyrillic.
  form->MemoAbout.Add("\xCF\xF0\xE8\xEB\xE0\xE4");
  window->DrawMemos();
  EXPECT_EQ(memo->document()->lastBlock().text(), QStringLiteral("Прилад"));

  // Taking the focus draws what changed, so typing goes onto the current text.
  ShowMain();
  Find("TextTerminal")->setFocus();
  Pump(5);
  form->MemoAbout.SetText("log");
  memo->setFocus();
  Pump(5);
  EXPECT_EQ(memo->toPlainText(), "log");
  QTest::keyClick(window->windowHandle(), Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(window->windowHandle(), Qt::Key_X);
  EXPECT_EQ(form->MemoAbout.Text(), "logx");
  // And the model's own changes keep flowing while it has the focus.
  form->MemoAbout.Add("next");
  EXPECT_EQ(memo->toPlainText(), "logx\nnext");
}

TEST_F(Windows, ShowingTheWindowLeavesTheUnseenTerminalUndrawn) {
  // Laying out the firmware's 4080 lines would hold up the first show.
  auto* terminal = Find<QPlainTextEdit>("TextTerminal");
  ShowMain();
  EXPECT_LE(terminal->document()->blockCount(), 1);
  window->DrawMemos();
  EXPECT_EQ(terminal->document()->blockCount(), static_cast<int>(form->TextTerminal.Lines().size()));
}

TEST_F(Windows, ModelStatesReachTheWidgetsAndProgramSelectionsRunNoHandler) {
  ShowMain();
  form->ButtonWrite.SetEnabled(false);
  form->cbPort.SetEnabled(false);
  EXPECT_FALSE(Find("ButtonWrite")->isEnabled());
  EXPECT_FALSE(Find("cbPort")->isEnabled());
  form->ButtonWrite.SetEnabled(true);
  form->cbPort.SetEnabled(true);
  EXPECT_TRUE(Find("ButtonWrite")->isEnabled());

  form->cbPort.SetItems({"ttyS0", "ttyUSB0"});
  form->cbPort.SetItemIndex(1);
  auto* port = Find<QComboBox>("cbPort");
  EXPECT_EQ(port->count(), 2);
  EXPECT_EQ(port->currentText(), "ttyUSB0");
  Pump();
  // The program's selection did not run cbPortChange (which moves the focus).
  EXPECT_NE(form->ActiveControl(), &form->ButtonConect);

  form->ProgressbarWrite.SetMax(40);
  form->ProgressbarWrite.SetPosition(10);
  auto* bar = Find<QProgressBar>("ProgressbarWrite");
  EXPECT_EQ(bar->maximum(), 40);
  EXPECT_EQ(bar->value(), 10);
  // The counter is a plain label that grows with its caption: long pauses show whole.
  auto* label3 = Find<QLabel>("Label3");
  for (const char* caption : {"Автокалібровка: 1.2.3", "Автокалібровка: 15.21.4", "Автокалібровка: 0.400.0"}) {
    form->Label3.SetCaption(caption);
    EXPECT_EQ(label3->text(), QString::fromUtf8(caption));
    EXPECT_GE(label3->width(), label3->fontMetrics().horizontalAdvance(label3->text())) << caption;
    EXPECT_EQ(label3->pos(), QPoint(12, 149));
  }
}

TEST_F(Windows, SkinNameSelectsTheStyleSheet) {
  EXPECT_EQ(form->sSkinManager1.SkinName(), "WEB2");
  EXPECT_FALSE(qApp->styleSheet().isEmpty());
  const QString web2 = qApp->styleSheet();
  form->sSkinManager1.SetSkinName("none");
  EXPECT_TRUE(qApp->styleSheet().isEmpty());
  // A style change must not lose the lists' row height, opened before or not.
  auto* baud = Find<QComboBox>("cbBaudRate");
  for (const char* skin : {"WEB2", "none"}) {
    form->sSkinManager1.SetSkinName(skin);
    baud->showPopup();
    EXPECT_EQ(baud->view()->sizeHintForRow(0), 15) << skin;
    baud->hidePopup();
  }
  form->sSkinManager1.SetSkinName("WEB2");
  EXPECT_EQ(qApp->styleSheet(), web2);
}

TEST_F(Windows, AboutWindowLayout) {
  EXPECT_FALSE(about->isVisible());
  EXPECT_EQ(about->windowTitle(), QStringLiteral("Про програму"));
  EXPECT_EQ(about->size(), QSize(154, 193));
  EXPECT_EQ(about->minimumSize(), about->maximumSize());
  EXPECT_EQ(about->pos(), QPoint(616, 197));
  const Qt::WindowFlags flags = about->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(about->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));
  EXPECT_EQ(about->font().pixelSize(), 11);

  auto* emblem = Find<QLabel>("Image_Emblem");
  ASSERT_NE(emblem, nullptr);
  EXPECT_EQ(emblem->geometry(), QRect(16, 16, 121, 89));
  EXPECT_EQ(emblem->pixmap().size(), QSize(120, 89));
  EXPECT_FALSE(emblem->hasScaledContents());

  auto* link = dynamic_cast<uiqt::WebLabel*>(Find("sWebLabel1"));
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->geometry(), QRect(29, 119, 91, 13));
  EXPECT_EQ(link->text(), QString::fromLatin1(ui::TFormHelp::kLabelHost));
  EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 64, 128));
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(link, &enter);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QPalette().color(QPalette::WindowText));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(link, &leave);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 64, 128));

  auto* ok = Find<QPushButton>("Button1");
  EXPECT_EQ(ok->geometry(), QRect(35, 145, 81, 33));
  EXPECT_EQ(ok->text(), QStringLiteral("\u041E\u041A"));  // Cyrillic О and К
}

// Offscreen, Qt keeps the titles to itself; this runs again on a private X
// server (see CMakeLists.txt), where the window system's own names are read.
TEST_F(Windows, TitlesAreExactlyWhatTheWindowSystemShows) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs X11: run under Xvfb";
  // As at start-up: the application title set, then the caption.
  shell.SetApplicationTitle(ui::texts::kTitle);
  form->SetCaption(ui::texts::kTitle);
  ShowMain();
  help->ShowAbout();
  Pump(300);
  ASSERT_TRUE(about->isVisible());
  auto nameOf = [](QWidget* w) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), QString::number(w->winId())});
    xdotool.waitForFinished(5000);
    return QString::fromUtf8(xdotool.readAllStandardOutput()).trimmed();
  };
  EXPECT_EQ(nameOf(about.get()).toStdString(), "Про програму");
  EXPECT_EQ(nameOf(window.get()).toStdString(), ui::texts::kTitle);
}

}  // namespace
}  // namespace qttest
