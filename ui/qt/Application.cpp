#include "ui/qt/Application.h"

#include <QKeyEvent>
#include <QWidget>
#include <algorithm>
#include <cstdio>

namespace uiqt {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

std::vector<Application::Entry>& Application::Previews() {
  static std::vector<Entry> previews;
  return previews;
}

void Application::SetKeyPreview(QWidget* window, KeyPreview preview) {
  auto& previews = Previews();
  std::erase_if(previews, [window](const Entry& e) { return !e.window || e.window == window; });
  if (preview) previews.push_back({window, std::move(preview)});
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    if (event->type() != QEvent::KeyPress || !receiver->isWidgetType() ||
        std::find(inFlight_.begin(), inFlight_.end(), event) != inFlight_.end())
      return QApplication::notify(receiver, event);

    QWidget* window = static_cast<QWidget*>(receiver)->window();
    // An open drop-down list is a window of its own: its keys are previewed
    // by the window the list belongs to.
    while (window->windowType() == Qt::Popup && window->parentWidget()) window = window->parentWidget()->window();
    KeyPreview preview;
    for (const auto& e : Previews())
      if (e.window == window) preview = e.preview;

    inFlight_.push_back(event);
    struct Pop {
      std::vector<const QEvent*>& v;
      ~Pop() { v.pop_back(); }
    } pop{inFlight_};
    QPointer<QObject> alive = receiver;
    if (preview) {
      auto* key = static_cast<QKeyEvent*>(event);
      const bool accepted = key->isAccepted();
      preview(*key);
      key->setAccepted(accepted);  // never swallowed
    }
    // The handler may have run a nested loop in which the receiver went away.
    if (!alive) return true;
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    // Handlers reach here only through QtShell::Deliver, which catches; this is
    // the guard for anything else.
    std::fprintf(stderr, "uploader: unhandled error in an event: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "uploader: unhandled error in an event\n");
  }
  return false;
}

}  // namespace uiqt
