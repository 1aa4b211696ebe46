// SPDX-License-Identifier: Apache-2.0
#pragma once
// The window system's global services: the screen's size, the message box,
// yielding to the event loop and running an event handler.
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Paths of the local files carried by a drop, in the drop's order.
using DropHandler = std::function<void(const std::vector<std::string>& paths)>;
using EventHandler = std::function<void()>;

// The screen's size in twips.
float ScreenWidth();
float ScreenHeight();

// A modal message box: the text, an OK button, no icon, titled "Torvane".
void ShowMessage(const std::string& text);
// Whether a modal box (a message, a file dialog) is open now.
bool ModalOpen();

// Handles every pending window event, then returns.
void DoEvents();

// Qt's own texts (the file dialog, standard buttons) in the language of
// `locale` ("de_DE"; empty: the system's), from Qt's translations where
// they are installed; the program's own texts are not translated.
void TranslateStandardTexts(const std::string& locale = {});

// Runs an event handler; a run-time error (or any other failure) that ends
// it is shown to the user, and the program goes on.
void RunHandler(const EventHandler& handler);

}  // namespace platform
