#include "printing/print_queue.h"

#include "printing/transport.h"

namespace tablora::printing {

void PrintQueue::submit(PrintJob job, Done done) {
    struct Outcome {
        PrintJob job;
        bool printed = false;
    };
    auto outcome = std::make_shared<Outcome>();
    outcome->job = std::move(job);
    m_worker.post(
        [this, outcome] {
            const auto& j = outcome->job;
            outcome->printed =
                j.connection.rfind("system:", 0) == 0
                    ? m_desktop.drawTicket(j.drawn, j.paperMm, j.columns, j.connection.substr(7))
                    : sendToPrinter(j.connection, j.bytes);
        },
        [outcome, done = std::move(done)] {
            if (done) done(outcome->job, outcome->printed);
        });
}

}  // namespace tablora::printing
