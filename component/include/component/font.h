// A font object as containers hand it out (ambient font) and controls expose it (Font property).
#pragma once
#include "component/unknown.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace component {

struct FontDesc {
    QString name = QStringLiteral("MS Sans Serif");
    double size = 8.25;         // points
    std::int16_t weight = 400;  // 400 normal, 700 bold
    std::int16_t charset = 0;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    bool bold() const { return weight >= 600; }
    friend bool operator==(const FontDesc&, const FontDesc&) = default;
};

class Font : public Unknown {
public:
    static constexpr Guid iid = Guid::of("{BEF6E002-A874-101A-8BBA-00AA00300CAB}");
    explicit Font(FontDesc desc = {}) : desc_(std::move(desc)) {}
    void* queryInterface(const Guid& id) override { return id == iid || id == Unknown::iid ? this : nullptr; }
    const FontDesc& desc() const { return desc_; }
    void setDesc(const FontDesc& d) { desc_ = d; }

private:
    FontDesc desc_;
};

}  // namespace component
