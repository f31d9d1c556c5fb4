#include "labels.h"

namespace tarnwick {

std::wstring_view ImpactWord(Impact impact) {
    switch (impact) {
        case Impact::High:
            return L"High";
        case Impact::Medium:
            return L"Medium";
        case Impact::Low:
            return L"Low";
        case Impact::NotMeasured:
            break;
    }
    return L"Not measured";
}

}  // namespace tarnwick
