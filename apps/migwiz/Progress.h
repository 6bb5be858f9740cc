// Progress of a run on stderr: a bar on a terminal, plain lines otherwise.
#pragma once

#include <cstddef>
#include <string>

namespace migwiz::app {

class TProgress {
 public:
  explicit TProgress(bool quiet);
  ~TProgress();
  void Step(const std::string& file, size_t index, size_t count);
  // The copy back over the originals, one call per original.
  void Replacing(const std::string& file, size_t index, size_t count);
  void Done();

 private:
  void Show(const char* what, const std::string& file, size_t index, size_t count);

  bool quiet_;
  bool terminal_;
  bool drawn_ = false;
};

}  // namespace migwiz::app
