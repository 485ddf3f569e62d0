#pragma once

#include "message_box.h"

#include <QList>
#include <QString>

// A MessageBox for tests: records every box the program asks for and answers
// from a script. A Yes/No box with nothing left in the script is a test
// failure waiting to be noticed: it is recorded in `unscripted` and answered No.

namespace pintwise {

struct AskedBox {
    QString prompt;
    MessageBox::Buttons buttons;
    MessageBox::Icon icon;
    QString title;
};

class ScriptedMessageBox final : public MessageBox {
public:
    QList<AskedBox> asked;
    QList<Answer> script;
    int unscripted = 0;

    void answer(std::initializer_list<Answer> answers) { script.append(answers); }

    Answer show(std::string_view prompt, Buttons buttons, Icon icon, std::string_view title) override
    {
        asked.append({ QString::fromUtf8(prompt), buttons, icon, QString::fromUtf8(title) });
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        if (script.isEmpty()) {
            ++unscripted;
            return Answer::No;
        }
        return script.takeFirst();
    }

    QStringList prompts() const
    {
        QStringList result;
        for (const AskedBox& box : asked)
            result.append(box.prompt);
        return result;
    }
};

} // namespace pintwise
