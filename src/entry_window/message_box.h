#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

// Every message the program shows goes through this interface: a modal prompt
// with OK alone or Yes and No, an optional question icon and an optional
// title. The program passes QtMessageBox; tests pass a scripted stand-in.

namespace pintwise {

class MessageBox {
public:
    enum class Buttons { Ok, YesNo };
    enum class Icon { None, Question };
    enum class Answer { Ok, Yes, No };

    // A box that names no title carries the application's.
    static constexpr const char* kDefaultTitle = "Pintwise";

    virtual ~MessageBox() = default;
    virtual Answer show(const QString& prompt, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
                        const QString& title = {})
        = 0;
};

// The real boxes, built on QMessageBox. In a Yes/No box Yes is the default
// button and the box can only be answered Yes or No: Escape and the title
// bar's close button do nothing.
class QtMessageBox final : public MessageBox {
public:
    // Boxes are centred over this window while it is visible.
    void setParentWindow(QWidget* window) { m_parent = window; }

    Answer show(const QString& prompt, Buttons buttons, Icon icon, const QString& title) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace pintwise
