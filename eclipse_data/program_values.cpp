#include "eclipse_data/program_values.h"

namespace zelto {

std::string WithTrailingSeparator(const std::string& folder, char separator) {
    if (folder.empty() || folder.back() == separator) return folder;
    return folder + separator;
}

}  // namespace zelto
