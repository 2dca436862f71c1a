#include "state/variables.h"

namespace zelto {

SharedVariables& Shared() {
    static SharedVariables* instance = [] {
        auto* shared = new SharedVariables();
        shared->eclipse.EclipseCatalog = BuiltInCatalog();
        return shared;
    }();
    return *instance;
}

}  // namespace zelto
