#pragma once
// The application object. It gives each window that asks for it a look at every
// key before the focused control (key preview), and it is the last guard that
// keeps an exception from crossing the event loop.
#include <QApplication>
#include <QPointer>
#include <functional>
#include <vector>

class QKeyEvent;

namespace uiqt {

class Application : public QApplication {
 public:
  Application(int& argc, char** argv);

  using KeyPreview = std::function<void(QKeyEvent&)>;
  // `preview` sees every key pressed in `window` or any of its children, once,
  // before the focused widget; it cannot swallow the key.
  static void SetKeyPreview(QWidget* window, KeyPreview preview);

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  struct Entry {
    QPointer<QWidget> window;
    KeyPreview preview;
  };
  static std::vector<Entry>& Previews();
  // Keys being delivered right now: a key that Qt walks up the parents or a
  // widget forwards is previewed only the first time.
  std::vector<const QEvent*> inFlight_;
};

}  // namespace uiqt
