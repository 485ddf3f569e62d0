#pragma once

#include "message_box.h"

#include <deque>
#include <string>
#include <vector>

// A MessageBox for tests without a toolkit: records every box the program
// asks for, as "prompt|buttons|icon|title", and answers Yes/No boxes from a
// script. A question with nothing left in the script is answered No and
// counted in `unscripted`, a failure waiting to be noticed.

namespace pintwise {

class AnsweringMessageBox final : public MessageBox {
public:
    std::vector<std::string> asked;
    std::vector<std::string> prompts; // the same boxes, their prompts alone
    std::deque<Answer> script;
    int unscripted = 0;

    Answer show(std::string_view prompt, Buttons buttons, Icon icon, std::string_view title) override
    {
        prompts.emplace_back(prompt);
        asked.push_back(std::string(prompt) + (buttons == Buttons::Ok ? "|Ok|" : "|YesNo|")
                        + (icon == Icon::Question ? "Question|" : "None|") + std::string(title));
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        if (script.empty()) {
            ++unscripted;
            return Answer::No;
        }
        const Answer answer = script.front();
        script.pop_front();
        return answer;
    }
};

} // namespace pintwise
