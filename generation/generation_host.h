// The parts of a generation run that belong to the window system: the Qt
// dialogs implement GenerationHost, the tests and the command-line replay
// play it from scripts. Nothing here is Qt.
#pragma once

#include <functional>

#include "generation/entropy.h"

namespace petitora {

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
