#pragma once
// Puts Knobix in Qt Designer's widget box, with its properties in the property editor.

#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

class KnobixDesignerPlugin : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetInterface")
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    explicit KnobixDesignerPlugin(QObject* parent = nullptr) : QObject(parent) {}

    QString name() const override { return QStringLiteral("roundbutton::Knobix"); }
    QString group() const override { return QStringLiteral("Buttons"); }
    QString toolTip() const override { return QStringLiteral("Knobix round button"); }
    QString whatsThis() const override {
        return QStringLiteral("A push button with a rounded outline and a shaded three-dimensional face.");
    }
    QString includeFile() const override { return QStringLiteral("Knobix.h"); }
    QIcon icon() const override;
    bool isContainer() const override { return false; }
    QWidget* createWidget(QWidget* parent) override;
    QString domXml() const override;
    bool isInitialized() const override { return initialized_; }
    void initialize(QDesignerFormEditorInterface*) override { initialized_ = true; }

private:
    bool initialized_ = false;
};
