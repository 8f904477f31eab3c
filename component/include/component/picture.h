// A picture object as hosts hand it to a control (Picture, MouseIcon properties) and get it back.
#pragma once
#include "component/unknown.h"

#include <QByteArray>

namespace component {

// Holds an image file's bytes (PNG, BMP, ICO, ...); the control decodes them itself.
class Picture : public Unknown {
public:
    static constexpr Guid iid = Guid::of("{D8BD9580-C9B1-4C77-9D68-DE42DA45CBB1}");
    explicit Picture(QByteArray data = {}) : data_(std::move(data)) {}
    void* queryInterface(const Guid& id) override { return id == iid || id == Unknown::iid ? this : nullptr; }
    virtual QByteArray data() const { return data_; }

private:
    QByteArray data_;
};

}  // namespace component
