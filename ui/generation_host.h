// The window-system side of a generation run: the wait notice, the
// random-number dialog, and the long computation run on a worker thread
// while the windows keep repainting and ignore the user's input.
#pragma once

#include <QObject>
#include <functional>

#include "generation/generation_host.h"

class QThread;

namespace petitora {

class KeyOptionsDialog;

class QtGenerationHost final : public GenerationHost {
  public:
    explicit QtGenerationHost(KeyOptionsDialog& dialog) : dialog_(dialog) {}

    void ShowWaitNotice() override;
    // The random-number dialog, modal over the key-options dialog.
    bool CollectEntropy(EntropyCollection& collection) override;
    // Runs work on a worker thread and returns when it has finished. Until
    // then the event loop keeps running for painting, while keyboard, input
    // method and mouse input and requests to close a window are dropped (not
    // queued: nothing the user did during the wait takes effect after it).
    void RunWork(const std::function<void()>& work) override;

  private:
    KeyOptionsDialog& dialog_;
};

// Starts worker, a thread made to run work, and keeps this thread's event
// loop going until it has finished. When the system refuses to start the
// thread, runs work right here instead (without repainting meanwhile), so
// that nobody waits for a thread that does not exist.
void AwaitWorker(QThread& worker, const std::function<void()>& work);

// Drops user input and close requests for every window of the program while
// it exists. Used around work that the user must not interrupt.
class InputBlocker final : public QObject {
  public:
    InputBlocker();
    ~InputBlocker() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace petitora
