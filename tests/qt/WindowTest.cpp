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
#include "ui/qt/FromLayout.h"
#include "ui/qt/Text.h"
#include "ui/qt/Widgets.h"

namespace qttest {
namespace {

using uiqt::ToQt;
namespace layout = ui::layout;

bool IsKind(QWidget* w, layout::Kind kind) {
  auto* list = qobject_cast<QComboBox*>(w);
  switch (kind) {
    case layout::Kind::Panel:
      return qobject_cast<QFrame*>(w) && !qobject_cast<QLabel*>(w) && !qobject_cast<QPlainTextEdit*>(w);
    case layout::Kind::Label: return qobject_cast<QLabel*>(w);
    case layout::Kind::WebLabel: return dynamic_cast<uiqt::WebLabel*>(w);
    case layout::Kind::DropDownList: return list && !list->isEditable();
    case layout::Kind::EditableComboBox: return list && list->isEditable();
    case layout::Kind::PictureButton: return qobject_cast<QToolButton*>(w);
    case layout::Kind::PushButton: return qobject_cast<QPushButton*>(w);
    case layout::Kind::PercentageGauge: return dynamic_cast<uiqt::GaugeWidget*>(w);
    case layout::Kind::ThinProgressBar: return qobject_cast<QProgressBar*>(w);
    case layout::Kind::Memo: return qobject_cast<QPlainTextEdit*>(w);
    case layout::Kind::Picture: return qobject_cast<QLabel*>(w) && !qobject_cast<QLabel*>(w)->pixmap().isNull();
  }
  return false;
}

TEST_F(Windows, EveryControlOfBothWindowsIsDrawnAsTheLayoutTableSays) {
  for (const layout::WindowLayout* table : {&layout::kMainForm, &layout::kFormHelp})
    for (const layout::ControlLayout& c : table->controls) {
      SCOPED_TRACE(c.name);
      QWidget* w = Find(c.name);
      ASSERT_NE(w, nullptr);
      EXPECT_TRUE(IsKind(w, c.kind));
      EXPECT_EQ(w->parentWidget()->objectName(), QLatin1String(c.parent));
      if (c.widthFollowsText) {
        EXPECT_EQ(w->pos(), QPoint(c.left, c.top));
        EXPECT_EQ(w->height(), c.height);
      } else {
        EXPECT_EQ(w->geometry(), QRect(c.left, c.top, c.width, c.height));
      }
      EXPECT_EQ(w->toolTip(), uiqt::WithLineBreaks(c.hint));
      EXPECT_EQ(w->cursor().shape() == Qt::PointingHandCursor, c.cursor == layout::Cursor::Hand);
      EXPECT_EQ(w->focusPolicy() == Qt::NoFocus, c.focusOrder < 0);
      EXPECT_TRUE(w->isEnabled());
      if (auto* l = qobject_cast<QLabel*>(w)) {
        EXPECT_EQ(l->text(), ToQt(c.caption));
      }
      if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        EXPECT_EQ(b->text(), ToQt(c.caption));
      }
      if (c.text.source == layout::ColorSource::Rgb) {
        const QPalette::ColorRole role = qobject_cast<QComboBox*>(w) ? QPalette::Text : QPalette::WindowText;
        EXPECT_EQ(w->palette().color(role), uiqt::ColorOf(c.text));
      }
      if (c.background.source == layout::ColorSource::Rgb) {
        EXPECT_EQ(w->palette().color(QPalette::Base), uiqt::ColorOf(c.background));
      }
      // A style sheet must not take the window's font away; the memos keep their own.
      EXPECT_EQ(w->font().pixelSize(), c.font.pixelHeight > 0 ? c.font.pixelHeight : table->font.pixelHeight);
      EXPECT_EQ(QFontInfo(w->font()).family(), QFontInfo(uiqt::FontOf(c.font, table->font)).family());
    }
  // The write hint's carriage returns are line breaks of the tool-tip.
  EXPECT_TRUE(Find("ButtonWrite")->toolTip().startsWith(QStringLiteral("\nКоманда запису!\n\n")));

  // The status line's width follows its text.
  auto* status = Find<QLabel>("LabelNameOfHex");
  EXPECT_EQ(status->width(), status->fontMetrics().horizontalAdvance(status->text()));
  form->LabelNameOfHex.SetCaption("Мікропрограма готова до запису");
  EXPECT_EQ(status->width(), status->fontMetrics().horizontalAdvance(status->text()));

  // The lists' rows.
  auto* baud = Find<QComboBox>("cbBaudRate");
  ASSERT_EQ(baud->count(), 15);
  EXPECT_EQ(baud->itemText(0), "110");
  EXPECT_EQ(baud->itemText(14), "256000");
  baud->showPopup();
  EXPECT_EQ(baud->view()->sizeHintForRow(0), layout::kMainForm.listRowHeight);
  baud->hidePopup();
  EXPECT_EQ(Find<QComboBox>("sComboBoxSkinName")->count(), 0);

  // The window's font.
  EXPECT_EQ(window->font().families().value(0), layout::kWindowFontFamily);
  EXPECT_EQ(window->font().pixelSize(), layout::kMainForm.font.pixelHeight);
  // The carried firmware is in the hidden terminal from the start.
  window->DrawMemos();
  EXPECT_EQ(Find<QPlainTextEdit>("TextTerminal")->document()->blockCount(),
            static_cast<int>(form->TextTerminal.Lines().size()));
}

TEST_F(Windows, MainWindowHasAFixedCompactClientAndASingleFixedFrame) {
  ShowMain();
  EXPECT_EQ(window->size(), QSize(layout::kMainForm.clientWidth, layout::kMainForm.clientHeight));
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
  // Disabled, it greys as the Windows gauge does.
  model.SetEnabled(false);
  Pump();
  EXPECT_EQ(gauge->grab().toImage().pixelColor(barEnd - 3, 2),
            QApplication::palette().color(QPalette::Disabled, QPalette::WindowText));
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
  // And the model's own changes keep flowing while it has the focus: soon, in
  // one go for all lines added meanwhile, and at once before a key types.
  form->MemoAbout.Add("next");
  Pump(600);
  EXPECT_EQ(memo->toPlainText(), "logx\nnext");
  form->MemoAbout.Add("more");
  QTest::keyClick(window->windowHandle(), Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(window->windowHandle(), Qt::Key_X);
  EXPECT_EQ(form->MemoAbout.Text(), "logx\r\nnext\r\nmorex");
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
  const layout::WindowLayout& table = layout::kFormHelp;
  EXPECT_FALSE(about->isVisible());
  EXPECT_EQ(about->windowTitle(), QString::fromUtf8(table.caption));
  EXPECT_EQ(about->size(), QSize(table.clientWidth, table.clientHeight));
  EXPECT_EQ(about->minimumSize(), about->maximumSize());
  EXPECT_EQ(about->pos(), QPoint(table.left, table.top));
  const Qt::WindowFlags flags = about->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(about->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));
  EXPECT_EQ(about->font().pixelSize(), 11);

  // The emblem is drawn at its own size, not stretched to the control's.
  auto* emblem = Find<QLabel>("Image_Emblem");
  EXPECT_EQ(emblem->pixmap().size(), QSize(120, 89));
  EXPECT_FALSE(emblem->hasScaledContents());

  // The link turns to the window-text colour while the mouse is over it.
  auto* link = dynamic_cast<uiqt::WebLabel*>(Find("sWebLabel1"));
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->text(), QString::fromLatin1(ui::TFormHelp::kLabelHost));
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 64, 128));
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(link, &enter);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QPalette().color(QPalette::WindowText));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(link, &leave);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 64, 128));

  EXPECT_EQ(Find<QPushButton>("Button1")->text(), QStringLiteral("\u041E\u041A"));  // Cyrillic О and К
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
