#pragma once
// Knobix, the round button: a push button with a rounded outline and a shaded
// three-dimensional face, a caption, an optional picture, a hover highlight, a pressed
// look and keyboard activation that honours the container's default and cancel buttons.
//
// The face is painted into the control's own surface image when its state changes (as an
// auto-redrawn surface would be) and shown from there; the outline is the widget's mask.
// `Enabled` and `Font` are the widget's own enabled state and font.

#include "KnobixExport.h"
#include "Colores.h"
#include "ContentLayout.h"
#include "FacePainter.h"
#include "KnobixSite.h"
#include "Twips.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace roundbutton {

class CaptionLabel;

class KNOBIX_EXPORT Knobix : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(uint BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(uint ForeColor READ foreColor WRITE setForeColor)
    Q_PROPERTY(int RoundSize READ roundSize WRITE setRoundSize)
    Q_PROPERTY(int Light READ light WRITE setLight)
    Q_PROPERTY(int Roundness3D READ roundness3D WRITE setRoundness3D)
    Q_PROPERTY(bool CreateRegion READ createRegion WRITE setCreateRegion)
    Q_PROPERTY(QString ToolTipText READ toolTipText WRITE setToolTipText)
    Q_PROPERTY(QPixmap Picture READ picture WRITE setPicture)
    Q_PROPERTY(int MousePointer READ mousePointer WRITE setMousePointer)
    Q_PROPERTY(QPixmap MouseIcon READ mouseIcon WRITE setMouseIcon)

public:
    explicit Knobix(QWidget* parent = nullptr);
    ~Knobix() override;

    // The container; null means none (not default, not cancel, system colours).
    void setSite(KnobixSite* site);
    KnobixSite* site() const { return site_; }

    // The defaults of a new control, taken partly from the container's ambient values.
    void initProperties();

    QString caption() const;
    void setCaption(const QString& caption);
    OleColor backColor() const { return surfaceBackColor_; }
    void setBackColor(OleColor c);
    OleColor backColorOriginal() const { return backColorOriginal_; }
    OleColor foreColor() const;
    void setForeColor(OleColor c);
    OleColor foreColorOriginal() const { return foreColorOriginal_; }
    // A stored fore colour: given to the caption as it is, and remembered from there.
    void loadForeColor(OleColor c);
    // The fore colour to store: the caption's; while disabled the caption shows the disabled
    // shade instead, so the remembered colour is stored then.
    OleColor foreColorToStore() const { return isEnabled() ? foreColor() : foreColorOriginal_; }
    int roundSize() const { return roundSize_; }
    void setRoundSize(int v);
    int light() const { return light_; }
    void setLight(int v);
    int roundness3D() const { return roundness3D_; }
    void setRoundness3D(int v);
    bool createRegion() const { return createRegion_; }
    void setCreateRegion(bool v);
    QString toolTipText() const;
    void setToolTipText(const QString& text);
    QPixmap picture() const { return picture_; }
    void setPicture(const QPixmap& picture);
    int mousePointer() const { return mousePointer_; }
    void setMousePointer(int kind);
    QPixmap mouseIcon() const { return mouseIcon_; }
    void setMouseIcon(const QPixmap& icon);

    // Rebuilds the outline, paints the face unpressed and lays out the content.
    void creaNuevaRegion();
    // Asks the surface to redraw.
    void refresh();

    // Face painting with the light and pressed flags, and the content layout.
    void paintFace(bool light, bool pressed);
    void layOutContent();
    // Sets the focus/hover and pressed flags, paints with them and lays out: a host's way
    // of showing a given state (for instance in a rendering of a pressed button).
    Q_INVOKABLE void showState(bool focusHover, bool pressed);

    long long widthTwips() const { return pixelsToTwips(width()); }
    long long heightTwips() const { return pixelsToTwips(height()); }
    QSize sizeHint() const override { return {81, 33}; }

    // Inspection of the control's elements and state.
    const FaceRecord& lastFace() const { return face_; }
    const QImage& surface() const { return surface_; }
    const QImage& picMask() const { return picMask_; }
    const ContentPlace& contentPlace() const { return place_; }
    bool focusHoverFlag() const { return focusHover_; }
    bool pressedFlag() const { return pressed_; }
    CaptionLabel* labelElement() const { return label_; }
    QLabel* picElement() const { return pic_; }
    QTimer* timer1() { return &timer1_; }

signals:
    // The events of the control; every parameter may be changed by the receiver.
    void Click();
    void KeyDown(short& KeyCode, short& Shift);
    void KeyPress(short& KeyAscii);
    void KeyUp(short& KeyCode, short& Shift);
    void MouseDown(short& Button, short& Shift, float& X, float& Y);
    void MouseMove(short& Button, short& Shift, float& X, float& Y);
    void MouseUp(short& Button, short& Shift, float& X, float& Y);
    void Resize();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void showEvent(QShowEvent*) override;
    void changeEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent*) override;
    void focusOutEvent(QFocusEvent*) override;

private:
    void onMouseDown(const QMouseEvent& e);
    void onMouseMove(const QMouseEvent& e);
    void onMouseUp(const QMouseEvent& e);
    void onKeyDown(short keyCode, short shift);
    void onKeyUp(short keyCode, short shift);
    void onTimer1();
    bool cursorOverControl(const QPoint& globalPos) const;
    void changed(std::string_view name);
    void ensureSurface();
    void updateAccessKey();
    void applyCursor();

    KnobixSite* site_ = nullptr;
    CaptionLabel* label_ = nullptr;
    QLabel* pic_ = nullptr;
    QTimer timer1_;
    QImage picMask_;
    QImage surface_;
    FaceRecord face_;
    ContentPlace place_;
    QPixmap picture_;
    QPixmap mouseIcon_;
    int mousePointer_ = 0;
    OleColor backColorOriginal_ = kButtonFace;
    OleColor surfaceBackColor_ = 0;
    OleColor foreColorOriginal_ = kButtonText;
    int roundSize_ = 20;
    int light_ = 45;
    int roundness3D_ = 20;
    bool createRegion_ = true;
    bool focusHover_ = false;
    bool pressed_ = false;
    int accessShortcut_ = 0;
};

}  // namespace roundbutton
