#pragma once

#include "message_box.h"

#include <QPointer>
#include <QWidget>

// The real boxes, built on QMessageBox. In a Yes/No box Yes is the default
// button and the box can only be answered Yes or No: Escape and the title
// bar's close button do nothing.

namespace pintwise {

class QtMessageBox final : public MessageBox {
public:
    // Boxes are centred over this window while it is visible.
    void setParentWindow(QWidget* window) { m_parent = window; }

    Answer show(std::string_view prompt, Buttons buttons, Icon icon, std::string_view title) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace pintwise
