// A search sink that keeps everything a search told it, for the tests.
#pragma once

#include <string>
#include <vector>

#include "SearchDelivery.h"
#include "ResultRows.h"

namespace sorvik::test {

class TSearchRecorder : public ISearchSink {
 public:
  void AddRow(const TFoundFile& file) override {
    Files.push_back(file);
    Rows.push_back(MakeResultRow(file));
  }
  void ShowPanels(const TPanelTexts& p) override {
    Panels = p;
    ++PanelUpdates;
  }
  void SetAnimationActive(bool a) override { AnimationEvents.push_back(a); }
  void SetSearchIdle() override { Idle = true; }
  void ShowError(const std::string& message) override { Errors.push_back(message); }

  std::vector<std::string> Names() const {
    std::vector<std::string> n;
    for (const auto& r : Rows) n.push_back(r.Caption);
    return n;
  }

  std::vector<TFoundFile> Files;
  std::vector<TResultRow> Rows;
  TPanelTexts Panels;
  int PanelUpdates = 0;
  std::vector<bool> AnimationEvents;
  bool Idle = false;
  std::vector<std::string> Errors;
};

}  // namespace sorvik::test
