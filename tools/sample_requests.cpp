#include "sample_requests.h"

namespace {

paperchk_client::Request ThreeItems() {
  paperchk_client::Request request;
  request.printerName = "Stampante Ufficio 2";
  request.port = "LPT1:";
  // The job asks for the upper tray, A4 and plain paper; the printer has the
  // lower tray selected, loaded with glossy A3.
  request.items = {
      {40001, 30002, 30005},  // Percorso carta: Vassoio carta / (inferiore)
      {40002, 50009, 256},    // Formato carta: A4 / A3
      {40003, 20001, 20005},  // Tipo supporto: Carta Comune / patinata
  };
  request.paperSource = 30005;  // current tray: the lower one
  request.secondTrayShown = true;
  request.otherTraySize = 768;     // the upper tray holds A4 ...
  request.otherTrayMedia = 20001;  // ... plain paper
  return request;
}

}  // namespace

std::vector<std::string> SampleRequestNames() {
  return {"three-item", "two-item", "one-item", "manual-feed", "auto-select", "unknown-source", "network-port"};
}

std::optional<paperchk_client::Request> SampleRequest(const std::string& name) {
  paperchk_client::Request request = ThreeItems();
  if (name == "three-item") return request;
  if (name == "two-item") {
    request.items.resize(2);
    return request;
  }
  if (name == "one-item") {
    request.items.resize(1);
    return request;
  }
  if (name == "manual-feed") {
    request.items[0].printerValue = 30004;
    request.paperSource = 30004;
    return request;
  }
  if (name == "auto-select") {
    request.items[0].printerValue = 30006;
    request.paperSource = 30006;
    request.secondTrayShown = false;
    return request;
  }
  if (name == "unknown-source") {
    request.paperSource = 30999;
    return request;
  }
  if (name == "network-port") {
    request.port = "\\\\printserver01\\office-laser-2";  // travels as ,,printserver01,office-laser-2
    return request;
  }
  return std::nullopt;
}
