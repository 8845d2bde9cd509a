#pragma once

#include <string>

namespace tablora::printing {

// Sends a ticket's bytes to a printer named by its connection text: "tcp://HOST:PORT" (a
// network receipt printer), "file:PATH" (a device such as /dev/usb/lp0, or any file, the
// bytes appended) or "cups:QUEUE" (raw, through the local print server). False when the printer
// could not take every byte: refused, unreachable (given up after about three seconds), silent, a
// device missing or not writable, or a connection text of another kind ("system:" printers are
// drawn by the desktop instead).
bool sendToPrinter(const std::string& connection, const std::string& bytes);

// Whether the text names a connection sendToPrinter knows (or a "system:" printer); a network
// printer's port is 1 to 65535.
bool isKnownConnection(const std::string& connection);

// The file a connection writes ("file:PATH", "system:pdf:PATH"); empty for any other.
std::string connectionFile(const std::string& connection);

}  // namespace tablora::printing
