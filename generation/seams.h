// What the generation layer needs from a window system, as interfaces.
//
// The driver and the key-options logic never open a window themselves: they
// show every message through a MessagePresenter and run the steps that need
// the user or a long computation through a GenerationHost. The Qt dialogs
// implement both; the tests and the command-line replay answer them from
// scripts. Nothing here is Qt.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "crypto/random.h"

namespace petitora {

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Question, Information };
enum class MessageAnswer { Ok, Yes, No };

// What a box is about, so that a scripted presenter (tests, the command-line
// replay) can tell the two questions of a run apart. Windows ignore it.
enum class MessageTopic {
    General,            // every OK box
    ReplaceFiles,       // may existing output files be replaced?
    ConfirmGeneration,  // the notice followed by the confirmation question
};

// One modal message box. caption and text are Windows-1252 bytes, shown as
// they are (line feeds break lines).
struct MessageRequest {
    std::string caption;
    std::string text;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    MessageTopic topic = MessageTopic::General;
};

// Shows message boxes. Show returns once the user has answered: Ok for an
// OK-only box; Yes or No for a Yes/No box (a Yes/No box closed any other way
// answers No).
class MessagePresenter {
  public:
    virtual ~MessagePresenter() = default;
    virtual MessageAnswer Show(const MessageRequest& request) = 0;
};

// The arithmetic of the mouse-entropy step, without the window.
//
// Every mouse-move event over the entropy dialog feeds the four little-endian
// bytes of SeedValue(eventCount, x, y) to the pool with RandomUpdate, then
// counts the event. The pool is not owned and must outlive this object.
class EntropyCollection {
  public:
    EntropyCollection(cerrojo::RandomPool* pool, std::uint32_t requiredEvents);

    // eventCount + 1000 * x + y in 32-bit arithmetic that wraps; (x, y) in
    // pixels relative to the dialog's client area, eventCount the count before
    // this event.
    static std::uint32_t SeedValue(std::uint32_t eventCount, std::int32_t x, std::int32_t y);

    // Feeds and counts one event. Returns true when the count has just reached
    // requiredEvents (the dialog then closes itself with OK). Events after
    // that are ignored and return false.
    bool OnMouseMove(std::int32_t x, std::int32_t y);

    std::uint32_t RequiredEvents() const { return requiredEvents_; }
    std::uint32_t EventCount() const { return eventCount_; }
    bool Complete() const { return eventCount_ >= requiredEvents_; }

    // Progress bar range 0..ProgressMaximum() = requiredEvents / 10 (16-bit).
    int ProgressMaximum() const;
    // True when the last event made the count a multiple of 10: the bar then
    // moves to ProgressPosition() = eventCount / 10.
    bool ProgressChanged() const;
    int ProgressPosition() const;

    // More than 1,024 events: the dialog is moved to (110, 350) and sized
    // 580 x 215 when it opens (and again when Enter accepts early).
    bool UsesLargeGeometry() const { return requiredEvents_ > 1024; }
    static constexpr int kLargeLeft = 110;
    static constexpr int kLargeTop = 350;
    static constexpr int kLargeWidth = 580;
    static constexpr int kLargeHeight = 215;

  private:
    cerrojo::RandomPool* pool_;
    std::uint32_t requiredEvents_;
    std::uint32_t eventCount_ = 0;
};

// The parts of a generation run that belong to the window system.
class GenerationHost {
  public:
    virtual ~GenerationHost() = default;

    // Makes the "ESPERE UN MOMENTO ..." notice of the key-options dialog
    // visible (it stays visible until that dialog closes) and painted.
    virtual void ShowWaitNotice() = 0;

    // Runs the entropy dialog modally for collection.RequiredEvents() events,
    // feeding every mouse move to collection.OnMouseMove. Returns true when it
    // ended with OK (the count was reached, or Enter accepted early), false
    // when it was cancelled (Escape, close box).
    virtual bool CollectEntropy(EntropyCollection& collection) = 0;

    // Runs work (key generation, building and checking the files) and returns
    // when it has finished. work touches no window and shows no message; a
    // window system may run it on another thread while it keeps repainting
    // with the user's input blocked. The default runs it right here.
    virtual void RunWork(const std::function<void()>& work) { work(); }
};

}  // namespace petitora
