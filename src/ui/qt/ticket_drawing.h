#pragma once

#include <string>
#include <vector>

#include "ui/desktop.h"

class QPainter;

namespace tablora::ui::qt {

// The height in millimetres a ticket drawn at this width takes.
double ticketHeightMm(const std::vector<TicketLine>& lines);
// Draws a ticket on a painter whose device is `paperMm` wide at `dotsPerMm`: each character
// on its columns (two for a Chinese one), so the columns line up as on a receipt printer.
void drawTicketLines(QPainter& painter, const std::vector<TicketLine>& lines, int paperMm,
                     int columns, double dotsPerMm);
// Draws into a PDF file (`target` "pdf:PATH") or on a system print queue.
bool drawTicketOn(const std::vector<TicketLine>& lines, int paperMm, int columns,
                  const std::string& target);

}  // namespace tablora::ui::qt
