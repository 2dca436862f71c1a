// The camera log's lists, which the exposure window reads back for its default lists.
#include "camera/camera_log.h"
#include "camera/proptables.h"
#include "fuzz_support.h"

using namespace zelto;
using zelto::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(fuzz::Text(data, size));
    CameraListFile list;
    if (ReadCameraListText(text, list)) {
        size_t codes = 0;
        for (const auto& listCodes : list.codes) codes += listCodes.size();
        Require(codes <= size, "every code has a line of its own");
    }
    const CameraDefaultLists lists = CameraDefaultListsFor("Canon EOS (fuzzed)", text, SupportedCodesTable{});
    Require(lists.ImageQuality.size() <= static_cast<size_t>(kSupportedCapacity[0]) &&
                lists.ISO.size() <= static_cast<size_t>(kSupportedCapacity[2]) &&
                lists.Aperture.size() <= static_cast<size_t>(kSupportedCapacity[3]),
            "no list beyond its capacity");
    return 0;
}
