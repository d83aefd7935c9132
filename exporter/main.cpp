// kestrine-exporter: Prometheus exporter for Kestrine encoders, one probe per scrape.
#include <csignal>
#include <iostream>
#include <string>

#include "exporter/ExporterCommandLine.h"
#include "exporter/ExporterServer.h"
#include "platform/OpenFileLimit.h"
#include "platform/ProgramStart.h"
#include "platform/StopRequest.h"

int main(int argc, char** argv) {
  // First of all, so that a stop requested while starting up still ends the program cleanly.
  kestrine::platform::StopRequest stop;
  kestrine::platform::ProgramStart start(argc, argv);
#ifdef SIGPIPE
  std::signal(SIGPIPE, SIG_IGN);  // a scraper that hangs up must not end the exporter
#endif
  kestrine::exporter::ExporterSettings settings;
  if (const auto status = kestrine::exporter::ParseExporterCommandLine(start.Argc(), start.Argv(), settings,
                                                                       std::cout, std::cerr)) {
    return *status;
  }
  (void)kestrine::platform::RaiseOpenFileLimit();  // every probe in flight holds a connection
  kestrine::exporter::ExporterServer server(settings);
  std::string error;
  if (!server.Start(error)) {
    std::cerr << "kestrine-exporter: " << error << '\n';
    return 1;
  }
  std::cout << "kestrine-exporter: listening on http://" << settings.listenAddress << ':' << server.Port() << "/"
            << std::endl;
  stop.Await();
  server.Stop();
  return 0;
}
