// Base of every shared toolkit object. Whoever creates an object holds one
// reference; every place that stores a pointer to it takes its own with
// remember and drops it with forget.
#pragma once

#include <cstdint>

namespace VSTGUI {

class CReferenceCounter {
public:
    CReferenceCounter() = default;
    CReferenceCounter(const CReferenceCounter&) = delete;
    CReferenceCounter& operator=(const CReferenceCounter&) = delete;
    virtual ~CReferenceCounter() = default;

    // The last forget deletes the object.
    virtual void forget() {
        if (--nbReference == 0) delete this;
    }
    virtual void remember() { ++nbReference; }

    std::int32_t getNbReference() const { return nbReference; }

private:
    // nbReference: holders of the object; 1 when made, 0 only while it deletes itself.
    std::int32_t nbReference = 1;
};

} // namespace VSTGUI
