// Message boxes on Linux: a GTK message dialog with the given title, text,
// icon and an OK button. Without a display the text goes to standard error
// and the box counts as unseen, so that the program can exit with a failure
// status instead of pretending a message reached the user.
#pragma once

#include "platform/ui.h"

namespace lumaris::gtk {

// Initialises GTK once; false when there is no display to show windows on.
bool gtkAvailable();

class GtkUi : public Ui {
public:
    std::int32_t MsgBox(const std::string& text, std::int32_t style, const std::string& title) override;
    // Number of messages that went to standard error because no display was
    // there to show them.
    int unseenMessages() const { return unseen_; }

private:
    int unseen_ = 0;
};

}  // namespace lumaris::gtk
