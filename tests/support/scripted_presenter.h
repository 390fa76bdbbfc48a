// Answers the message boxes of a run from a script and keeps what was shown.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "generation/message_presenter.h"
#include "text/cp1252.h"

namespace testsupport {

// An OK box answers Ok; a Yes/No box takes the next queued answer, else the
// standing answer of its topic. onShow, when set, runs while the box is up.
// Captions and texts are kept as shown (Windows-1252 bytes), or in UTF-8
// when utf8 is set.
class ScriptedPresenter : public petitora::MessagePresenter {
  public:
    std::vector<petitora::MessageRequest> shown;
    std::deque<petitora::MessageAnswer> answers;
    petitora::MessageAnswer replaceAnswer = petitora::MessageAnswer::Yes;
    petitora::MessageAnswer confirmAnswer = petitora::MessageAnswer::Yes;
    std::function<void(const petitora::MessageRequest&)> onShow;
    bool utf8 = false;

    petitora::MessageAnswer Show(const petitora::MessageRequest& request) override {
        shown.push_back(request);
        if (utf8) {
            shown.back().caption = petitora::Cp1252ToUtf8(request.caption);
            shown.back().text = petitora::Cp1252ToUtf8(request.text);
        }
        if (onShow) onShow(request);
        if (request.buttons == petitora::MessageButtons::Ok) return petitora::MessageAnswer::Ok;
        if (!answers.empty()) {
            const petitora::MessageAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return request.topic == petitora::MessageTopic::ReplaceFiles ? replaceAnswer
                                                                     : confirmAnswer;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& request : shown) texts.push_back(request.text);
        return texts;
    }
    std::string LastText() const { return shown.empty() ? std::string() : shown.back().text; }
    void Clear() { shown.clear(); }
};

}  // namespace testsupport
