// scan_notices.cpp -- the boxes a map scan shows: its refusal, and what it wrote
#include "scan_notices.h"

#include "services/messages.h"
#include "services/text.h"

void show_scan_refused(bool ai) {
  svc::message_requester("Error RGB()", ai ? "No Image To Convert Into AI()MAP" : "No Image To Convert Into RGB()MAP",
                         svc::MESSAGE_OK);
}

void show_scan_done(const ScanReport& report, const std::string& destination_folder) {
  if (!report.map_written) svc::message_requester("Error:", "Map Not Written:\r" + report.map_path, svc::MESSAGE_OK);
  if (report.codes_failed > 0)
    svc::message_requester(
        "Error:",
        "Colour-Code Files Not Created: " + svc::int_to_string(report.codes_failed) + "\r" + destination_folder,
        svc::MESSAGE_OK);
  svc::message_requester("Info:", "Image Converted!", svc::MESSAGE_OK);
}
