#pragma once
// Values between the component model and Qt: fonts, pictures and colours.

#include "Colores.h"

#include "component/font.h"
#include "component/variant.h"

#include <QFont>
#include <QPixmap>
#include <memory>

namespace roundbutton {

QFont qFontOf(const component::FontDesc& desc);
component::FontDesc fontDescOf(const QFont& font);

// The image of a picture object; a null pixmap for nothing or another kind of object.
QPixmap pixmapOf(const std::shared_ptr<component::Unknown>& object);

// A colour as scripts and bags carry it: a long (system colours are negative) or unsigned.
component::HRESULT colourOf(const component::Variant& v, OleColor* out);

}  // namespace roundbutton
