#include "support/scripted_desktop.h"

namespace tablora::test {

const char* iconName(ui::Icon icon) {
    switch (icon) {
        case ui::Icon::Error:
            return "error";
        case ui::Icon::Question:
            return "question";
        case ui::Icon::Exclamation:
            return "exclamation";
        case ui::Icon::Information:
            return "information";
        case ui::Icon::None:
            break;
    }
    return "none";
}

ui::Answer ScriptedDesktop::messageBox(const std::string& text, const std::string& title,
                                       ui::Icon icon, ui::Buttons buttons) {
    ui::Answer answer = buttons == ui::Buttons::YesNo ? ui::Answer::Yes : ui::Answer::Ok;
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    messages.push_back({text, title, icon, buttons, answer});
    say("message [" + title + "] " + text + " (" + iconName(icon) + ")");
    return answer;
}

std::optional<std::string> ScriptedDesktop::inputBox(const std::string& prompt,
                                                     const std::string& title,
                                                     const std::string& initial) {
    std::optional<std::string> answer = std::nullopt;
    if (!inputs.empty()) {
        answer = inputs.front();
        inputs.pop_front();
    }
    say("input [" + title + "] " + prompt + " (initial: " + initial + ") -> " +
        (answer ? *answer : std::string("<cancel>")));
    return answer;
}

std::optional<std::string> ScriptedDesktop::saveDialog(const std::string& title,
                                                       const std::string& proposedName,
                                                       const std::string& filter) {
    saveDialogs.push_back({title, proposedName, filter});
    std::optional<std::string> answer = std::nullopt;
    if (!saves.empty()) {
        answer = saves.front();
        saves.pop_front();
    }
    say("save [" + title + "] " + proposedName + " -> " +
        (answer ? *answer : std::string("<cancel>")));
    return answer;
}

void ScriptedDesktop::popupMenu(ui::PopupMenu& menu) {
    std::string choice;
    if (!menuChoices.empty()) {
        choice = menuChoices.front();
        menuChoices.pop_front();
    }
    say("popup " + menu.caption() + (choice.empty() ? "" : " -> " + choice));
    if (!choice.empty()) menu.choose(menu.indexOf(choice));
}

void ScriptedDesktop::showWindow(ui::Window& window, ui::Window*, bool modal) {
    shownWindows.push_back(window.name());
    say(std::string(modal ? "show modal " : "show ") + window.name());
    if (!modal) return;
    if (!modalScripts.empty()) {
        auto script = std::move(modalScripts.front());
        modalScripts.pop_front();
        script(window);
    } else if (modalDriver) {
        modalDriver(window);
    }
    // A modal window nobody acted on is closed the way a person closes it.
    if (!window.destroyed()) {
        say("close " + window.name());
        window.requestClose();
    }
}

void ScriptedDesktop::windowDestroyed(ui::Window& window) {
    say("destroyed " + window.name());
}

void ScriptedDesktop::minimize(ui::Window& window) {
    minimized.push_back(window.name());
}

void ScriptedDesktop::bringToFront(ui::Window& window) {
    broughtForward.push_back(window.name());
}

void ScriptedDesktop::attachSkin(int skin) {
    attachedSkins.push_back(skin);
}

void ScriptedDesktop::adjustSkinHsv(int, int) {}

void ScriptedDesktop::quit(int code) {
    quitCalled = true;
    exitCode = code;
}

}  // namespace tablora::test
