// kestrine-exporter: Prometheus exporter for Kestrine encoders, one probe per scrape.
#include <csignal>
#include <iostream>
#include <string>

#include "exporter/ExporterCommandLine.h"
#include "exporter/ExporterServer.h"
#include "platform/ProgramSignals.h"

int main(int argc, char** argv) {
  kestrine::platform::PrepareForStopSignal();
#ifdef SIGPIPE
  std::signal(SIGPIPE, SIG_IGN);  // a scraper that hangs up must not end the exporter
#endif
  kestrine::exporter::ExporterSettings settings;
  if (const auto status = kestrine::exporter::ParseExporterCommandLine(argc, argv, settings, std::cout, std::cerr)) {
    return *status;
  }
  kestrine::platform::AllowAllOpenFiles();  // every probe in flight holds a connection
  kestrine::exporter::ExporterServer server(settings);
  std::string error;
  if (!server.Start(error)) {
    std::cerr << "kestrine-exporter: " << error << '\n';
    return 1;
  }
  std::cout << "kestrine-exporter: listening on http://" << settings.listenAddress << ':' << server.Port() << "/"
            << std::endl;
  kestrine::platform::AwaitStopSignal();
  server.Stop();
  return 0;
}
