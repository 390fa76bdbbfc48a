// Helpers shared by the desktop tests: the message script in UTF-8, a script
// that acts on each modal dialog as it opens, typing into boxes by the record
// field's name, pictures of dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "capture/registrant.h"
#include "generation/message_presenter.h"
#include "support/cp1252_text.h"
#include "support/scripted_presenter.h"

namespace uitest {

using testsupport::U;

// The message script of the desktop tests: captions and texts in UTF-8.
struct ScriptedMessages : testsupport::ScriptedPresenter {
    ScriptedMessages() { utf8 = true; }
};

// Acts on the modal dialogs of a nested run, in order: each step waits until
// a dialog of its type is the active modal widget, then runs once on it from
// the event loop (so that the step may itself open further modal dialogs).
class ModalScript : public QObject {
  public:
    ModalScript();
    template <typename Dialog>
    ModalScript& Then(std::function<void(Dialog*)> act) {
        steps_.push_back({[](QWidget* w) { return qobject_cast<Dialog*>(w) != nullptr; },
                          [act](QWidget* w) { act(static_cast<Dialog*>(w)); }});
        return *this;
    }
    bool Done() const { return next_ == steps_.size(); }
    std::size_t StepsRun() const { return next_; }

  private:
    struct Step {
        std::function<bool(QWidget*)> matches;
        std::function<void(QWidget*)> act;
    };
    void Poll();
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QPointer<QWidget> last_;
    QTimer timer_;
};

// The child of root with this object name; fails the test when missing.
template <typename W>
W* Find(const QWidget* root, const char* name) {
    W* widget = root->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no widget named " << name;
    return widget;
}

// Gives the box the focus (as a click would) and types utf8 into it.
void TypeInto(QWidget* root, const char* name, const std::string& utf8);

// The name of the widget that has the keyboard focus ("" when none).
std::string FocusName();

// Clicks tab index of the capture dialog's tab strip.
void ClickTab(QWidget* captureDialog, int index);

// Fills every box of the current capture pages from record, page by page,
// changing tabs with the mouse, as a user would.
void FillCapture(QWidget* captureDialog, const petitora::RegistrantRecord& record);

// Moves the mouse over window (client coordinates) through the platform, as
// many times as asked or until the window closes; returns the moves made.
int MoveMouse(QWidget* window, int times, int firstX = 20, int firstY = 20);

// Every box, list and button under root has a name for screen readers.
void ExpectAccessibleNames(QWidget* root);

// Saves a picture of widget as <build>/ui-pictures/<name>.png and checks that
// it is not blank.
void Picture(QWidget* widget, const std::string& name);

}  // namespace uitest
