// The trimming dialog: walks the untrimmed cards one by one and files them.
#pragma once

#include <string>
#include <utility>

#include "resource.h"
#include "win/dialog.h"

namespace pim {

class CDatumTrim final : public win::Dialog {
 public:
  // `folder` is the datum folder ("datum"). Run with DoModal(nullptr).
  explicit CDatumTrim(std::string folder)
      : Dialog(IDD_DATUMTRIM), folder_(std::move(folder)) {}

 private:
  std::string folder_;
};

}  // namespace pim
