#include "KnobixDesignerPlugin.h"

#include "Knobix.h"

#include <QPixmap>

QWidget* KnobixDesignerPlugin::createWidget(QWidget* parent) { return new roundbutton::Knobix(parent); }

// The widget box shows a small button drawn by the control itself.
QIcon KnobixDesignerPlugin::icon() const {
    roundbutton::Knobix sample;
    sample.resize(22, 16);
    sample.setRoundSize(8);
    sample.setBackColor(0x00C07030);
    sample.setCaption(QString());
    sample.creaNuevaRegion();
    QPixmap pixmap(sample.size());
    pixmap.fill(Qt::transparent);
    sample.render(&pixmap);
    return QIcon(pixmap);
}

QString KnobixDesignerPlugin::domXml() const {
    return QStringLiteral(
        "<ui language=\"c++\">\n"
        " <widget class=\"roundbutton::Knobix\" name=\"knobix\">\n"
        "  <property name=\"geometry\"><rect><x>0</x><y>0</y><width>81</width><height>33</height></rect></property>\n"
        "  <property name=\"Caption\"><string>Button</string></property>\n"
        " </widget>\n"
        "</ui>\n");
}
