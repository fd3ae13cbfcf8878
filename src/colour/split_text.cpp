// SplitText over views of the original text: no copy of any field.
#include "split_text.h"

namespace zentrik {

void SplitText(std::string_view text, std::string_view separator,
               std::vector<std::string_view>& fields, Long& count) {
  fields.clear();
  std::size_t start = 0;
  if (!separator.empty()) {
    for (std::size_t found = text.find(separator, start); found != std::string_view::npos;
         found = text.find(separator, start)) {
      fields.push_back(text.substr(start, found - start));
      start = found + separator.size();
    }
  }
  fields.push_back(text.substr(start));
  count = static_cast<Long>(fields.size());
}

}  // namespace zentrik
