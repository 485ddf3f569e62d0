#pragma once

#include <string_view>

// Every message the program shows goes through this interface: a modal prompt
// with OK alone or Yes and No, an optional question icon and an optional
// title, in UTF-8. Each front-end passes its window system's boxes; tests
// pass a scripted stand-in. It knows no toolkit.

namespace pintwise {

class MessageBox {
public:
    enum class Buttons { Ok, YesNo };
    enum class Icon { None, Question };
    enum class Answer { Ok, Yes, No };

    // A box that names no title carries the application's.
    static constexpr const char* kDefaultTitle = "Pintwise";

    virtual ~MessageBox() = default;
    // In a Yes/No box Yes is the default button, and the box can only be
    // answered Yes or No: there is no way to escape it.
    virtual Answer show(std::string_view prompt, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
                        std::string_view title = {})
        = 0;
};

} // namespace pintwise
