#pragma once
// The controls as small models: what a handler reads and sets, with a change
// notification that the Qt layer binds its widgets to.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/TextLines.h"

namespace forms {

class Window;

// A list of listeners; the Qt binding is one of them, tests may add more.
class Notifier {
 public:
  using Listener = std::function<void()>;
  void Subscribe(Listener listener) { listeners_.push_back(std::move(listener)); }

 protected:
  void Notify() const {
    for (const auto& l : listeners_) l();
  }

 private:
  std::vector<Listener> listeners_;
};

class Control : public Notifier {
 public:
  Control(Window* owner, std::string name) : owner_(owner), name_(std::move(name)) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Moves the keyboard focus here (the window records it and tells its binding).
  void SetFocus();

  std::string Hint;

 private:
  Window* owner_;
  std::string name_;
  bool enabled_ = true;
};

class Label : public Control {
 public:
  using Control::Control;
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);

 private:
  std::string caption_;
};

class Button : public Control {
 public:
  using Control::Control;
  std::string Caption;
};

// A drop-down list. A choose-only list's text is its selected item; an editable
// one keeps its own text.
class ComboBox : public Control {
 public:
  ComboBox(Window* owner, std::string name, bool editable = false) : Control(owner, std::move(name)), editable_(editable) {}
  bool Editable() const { return editable_; }
  const std::vector<std::string>& Items() const { return items_; }
  // Replaces the items as a whole; nothing stays selected.
  void SetItems(std::vector<std::string> items);
  int ItemIndex() const { return itemIndex_; }
  // Selection by the program: no change handler runs.
  void SetItemIndex(int index);
  std::string Text() const;
  void SetText(const std::string& text);  // editable lists only

 private:
  bool editable_;
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  std::string text_;
};

// A multi-line text box. Lines are kept as given; Text() joins them with CR LF.
class Memo : public Control {
 public:
  using Control::Control;
  const TextLines& Lines() const { return lines_; }
  std::string Text() const;
  void Clear();
  void SetLines(TextLines lines);
  // Replaces all lines; a text is split at CR LF, lone CR or lone LF, and a line
  // end at the very end adds no empty line. A whole text handed over is split
  // in its own buffer.
  void SetText(std::string_view text) { SetText(std::string(text)); }
  void SetText(std::string&& text);
  void SetText(const char* text) { SetText(std::string_view(text)); }
  void Add(std::string_view line);
  // Appends to the end of the text (the last line), as typing at the end would.
  void AppendToText(std::string_view text);
  // Ends the current line: what is appended next begins a new line.
  void BreakLine();
  // Upper-cases a to z in every line.
  void UpperCase();

  // The binding syncs cheaply: while Revision stays the same, lines were only
  // added at the end; a new Revision means it must redraw all.
  std::uint64_t Revision() const { return revision_; }

 private:
  void Changed(std::size_t firstChangedLine);
  TextLines lines_;
  bool openLine_ = false;  // BreakLine was called: next append starts a line
  std::uint64_t revision_ = 0;
  std::size_t stable_ = 0;
};

// The thin smooth progress bar.
class ProgressBar : public Control {
 public:
  using Control::Control;
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetMax(int max);
  void SetPosition(int position);

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

// The window as a model: caption, outer height, focus.
class Window : public Notifier {
 public:
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  int Height() const { return height_; }
  void SetHeight(int height);
  Control* ActiveControl() const { return active_; }
  // Called by Control::SetFocus and by the binding when the user moves the focus.
  void SetActiveControl(Control* control);

 private:
  std::string caption_;
  int height_ = 0;
  Control* active_ = nullptr;
};

}  // namespace forms
