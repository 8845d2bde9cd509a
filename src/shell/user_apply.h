#pragma once

namespace tablora::shell {

class App;

// After a login: reads the user's skin and permissions and applies them everywhere, then
// shows the announcement.
void applyLoggedInUser(App& app);

// Attaches the skin chosen in the main window and stores it for the user it shows.
void applySkinAndStore(App& app);

}  // namespace tablora::shell
