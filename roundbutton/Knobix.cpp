#include "Knobix.h"

#include "CaptionLabel.h"
#include "KeyCodes.h"
#include "Outline.h"
#include "Twips.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>

namespace roundbutton {

namespace {

QColor qColorOf(OleColor c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

// The control's mouse cursor kinds (0 the default, 99 the custom `MouseIcon`).
Qt::CursorShape cursorShapeOf(int kind) {
    static constexpr Qt::CursorShape kShapes[] = {
        Qt::ArrowCursor,     Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,
        Qt::ArrowCursor,     Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
        Qt::SizeFDiagCursor, Qt::SizeHorCursor, Qt::UpArrowCursor,   Qt::WaitCursor,
        Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor, Qt::SizeAllCursor,
    };
    return kind >= 0 && kind < int(std::size(kShapes)) ? kShapes[kind] : Qt::ArrowCursor;
}

constexpr int kCustomPointer = 99;

}  // namespace

Knobix::Knobix(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);

    label_ = new CaptionLabel(this);
    label_->setCaption(QStringLiteral("Button"));
    label_->installEventFilter(this);

    pic_ = new QLabel(this);
    pic_->setObjectName(QStringLiteral("Pic"));
    pic_->setFocusPolicy(Qt::NoFocus);
    pic_->setMouseTracking(true);
    pic_->hide();
    pic_->installEventFilter(this);

    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setInterval(100);
    connect(&timer1_, &QTimer::timeout, this, &Knobix::onTimer1);

    resize(sizeHint());
    initProperties();
    updateAccessKey();
}

Knobix::~Knobix() = default;

void Knobix::setSite(KnobixSite* site) { site_ = site; }

void Knobix::initProperties() {
    roundSize_ = 20;
    backColorOriginal_ = site_ ? site_->ambientBackColor() : kButtonFace;
    surfaceBackColor_ = resolveColor(backColorOriginal_, palette());
    surface_.fill(qColorOf(surfaceBackColor_));
    foreColorOriginal_ = site_ ? site_->ambientForeColor() : kButtonText;
    label_->setForeColor(resolveColor(foreColorOriginal_, palette()));
    light_ = 45;
    createRegion_ = true;
    roundness3D_ = 20;
    if (site_)
        if (auto font = site_->ambientFont()) setFont(*font);
    creaNuevaRegion();
}

// ---- properties ----

QString Knobix::caption() const { return label_->caption(); }

void Knobix::setCaption(const QString& caption) {
    label_->setCaption(caption);
    updateAccessKey();
    creaNuevaRegion();
    refresh();
    changed("Caption");
}

void Knobix::setBackColor(OleColor c) {
    backColorOriginal_ = c;
    surfaceBackColor_ = resolveColor(c, palette());
    surface_.fill(qColorOf(surfaceBackColor_));  // a new back colour clears the surface
    creaNuevaRegion();
    refresh();
    changed("BackColor");
}

OleColor Knobix::foreColor() const { return label_->foreColor(); }

void Knobix::setForeColor(OleColor c) {
    foreColorOriginal_ = c;
    label_->setForeColor(resolveColor(c, palette()));
    changed("ForeColor");
}

void Knobix::loadForeColor(OleColor c) {
    label_->setForeColor(c);
    foreColorOriginal_ = label_->foreColor();
}

void Knobix::setRoundSize(int v) {
    roundSize_ = v;
    creaNuevaRegion();
    refresh();
    changed("RoundSize");
}

void Knobix::setLight(int v) {
    light_ = v;
    creaNuevaRegion();
    refresh();
    changed("Light");
}

void Knobix::setRoundness3D(int v) {
    roundness3D_ = v;
    creaNuevaRegion();
    refresh();
    changed("Roundness3D");
}

void Knobix::setCreateRegion(bool v) {
    createRegion_ = v;
    creaNuevaRegion();
    refresh();
    changed("CreateRegion");
}

QString Knobix::toolTipText() const { return label_->toolTip(); }

void Knobix::setToolTipText(const QString& text) {
    label_->setToolTip(text);
    pic_->setToolTip(text);
    changed("ToolTipText");
}

void Knobix::setPicture(const QPixmap& picture) {
    picture_ = picture;
    pic_->setPixmap(picture);
    pic_->setVisible(!picture.isNull());
    pic_->resize(picture.isNull() ? QSize(0, 0) : picture.deviceIndependentSize().toSize());
    creaNuevaRegion();
    refresh();
    changed("Picture");
}

void Knobix::setMousePointer(int kind) {
    mousePointer_ = kind;
    applyCursor();
    changed("MousePointer");
}

void Knobix::setMouseIcon(const QPixmap& icon) {
    mouseIcon_ = icon;
    applyCursor();
    changed("MouseIcon");
}

void Knobix::applyCursor() {
    if (mousePointer_ == kCustomPointer && !mouseIcon_.isNull())
        setCursor(QCursor(mouseIcon_));
    else if (mousePointer_ == 0 || mousePointer_ == kCustomPointer)
        unsetCursor();
    else
        setCursor(cursorShapeOf(mousePointer_));
}

// ---- outline, face and content ----

void Knobix::creaNuevaRegion() {
    const int w = width(), h = height();
    picMask_ = QImage(std::max(w, 0), std::max(h, 0), QImage::Format_RGB32);
    picMask_.fill(Qt::white);
    const QRegion outline = outlineRegion(w, h, createRegion_, roundSize_);
    if (!picMask_.isNull()) {
        QPainter p(&picMask_);
        p.setClipRegion(outline);
        p.fillRect(picMask_.rect(), Qt::black);
    }
    if (outline.isEmpty())
        clearMask();  // nothing to show anyway: a control of no size
    else
        setMask(outline);
    paintFace(false, false);
    layOutContent();
}

void Knobix::refresh() {
    update();
    label_->update();
    pic_->update();
}

void Knobix::ensureSurface() {
    if (surface_.size() == size()) return;
    surface_ = QImage(size(), QImage::Format_RGB32);
    surface_.fill(qColorOf(surfaceBackColor_));
}

void Knobix::paintFace(bool light, bool pressed) {
    ensureSurface();
    FaceInput in;
    in.widthTwips = widthTwips();
    in.heightTwips = heightTwips();
    in.base = splitColor(resolveColor(backColorOriginal_, palette()));
    in.light = light_;
    in.roundness3D = roundness3D_;
    in.lighten = light || focusHover_;
    in.pressed = pressed;
    in.enabled = isEnabled();
    face_ = drawFace(surface_, in);
    if (face_.disabledCaption) label_->setForeColor(face_.captionColour);
    update();
}

void Knobix::layOutContent() {
    ContentInput in;
    in.controlWidth = widthTwips();
    in.controlHeight = heightTwips();
    in.labelWidth = pixelsToTwips(label_->width());
    in.labelHeight = pixelsToTwips(label_->height());
    in.hasPicture = !picture_.isNull();
    in.pictureWidth = pixelsToTwips(pic_->width());
    in.pictureHeight = pixelsToTwips(pic_->height());
    in.captionEmpty = label_->caption().isEmpty();
    in.pressed = pressed_;
    place_ = roundbutton::layOutContent(in);
    label_->move(twipsToPixels(place_.labelLeft), twipsToPixels(place_.labelTop));
    if (in.hasPicture) pic_->move(twipsToPixels(place_.pictureLeft), twipsToPixels(place_.pictureTop));
}

void Knobix::showState(bool focusHover, bool pressed) {
    focusHover_ = focusHover;
    pressed_ = pressed;
    paintFace(focusHover, pressed);
    layOutContent();
}

// ---- widget events ----

bool Knobix::event(QEvent* e) {
    if (e->type() == QEvent::Shortcut) {
        auto* se = static_cast<QShortcutEvent*>(e);
        if (se->shortcutId() == accessShortcut_ && isEnabled()) {
            const short code = short(label_->accessKey().toUpper().unicode());
            onKeyDown(code, 0);
            onKeyUp(code, 0);
        }
        return true;
    }
    return QWidget::event(e);
}

bool Knobix::eventFilter(QObject* watched, QEvent* e) {
    if (watched == label_ || watched == pic_) {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: onMouseDown(*static_cast<QMouseEvent*>(e)); return true;
        case QEvent::MouseMove: onMouseMove(*static_cast<QMouseEvent*>(e)); return true;
        case QEvent::MouseButtonRelease: onMouseUp(*static_cast<QMouseEvent*>(e)); return true;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void Knobix::paintEvent(QPaintEvent*) {
    ensureSurface();
    QPainter(this).drawImage(0, 0, surface_);
}

void Knobix::resizeEvent(QResizeEvent*) {
    surface_ = QImage(size(), QImage::Format_RGB32);
    surface_.fill(qColorOf(surfaceBackColor_));
    emit Resize();
    creaNuevaRegion();
}

void Knobix::showEvent(QShowEvent*) { creaNuevaRegion(); }

void Knobix::changeEvent(QEvent* e) {
    switch (e->type()) {
    case QEvent::EnabledChange:
        pic_->setEnabled(isEnabled());
        if (isEnabled()) label_->setForeColor(resolveColor(foreColorOriginal_, palette()));
        creaNuevaRegion();
        refresh();
        changed("Enabled");
        break;
    case QEvent::FontChange:
        label_->fitToText();
        creaNuevaRegion();
        paintFace(false, false);
        refresh();
        changed("Font");
        break;
    case QEvent::PaletteChange:  // system colours follow the desktop's palette
        surfaceBackColor_ = resolveColor(backColorOriginal_, palette());
        creaNuevaRegion();
        break;
    default: break;
    }
    QWidget::changeEvent(e);
}

void Knobix::mousePressEvent(QMouseEvent* e) { onMouseDown(*e); }
void Knobix::mouseMoveEvent(QMouseEvent* e) { onMouseMove(*e); }
void Knobix::mouseReleaseEvent(QMouseEvent* e) { onMouseUp(*e); }

void Knobix::keyPressEvent(QKeyEvent* e) {
    onKeyDown(keyCodeOf(e->key(), e->modifiers()), shiftOf(e->modifiers()));
    if (!e->text().isEmpty()) {
        short keyAscii = short(e->text().at(0).unicode());
        emit KeyPress(keyAscii);
    }
}

void Knobix::keyReleaseEvent(QKeyEvent* e) {
    if (e->isAutoRepeat()) return;  // a held key repeats its key down only
    onKeyUp(keyCodeOf(e->key(), e->modifiers()), shiftOf(e->modifiers()));
}

void Knobix::focusInEvent(QFocusEvent*) {
    focusHover_ = true;
    paintFace(false, false);
}

void Knobix::focusOutEvent(QFocusEvent*) {
    focusHover_ = false;
    paintFace(false, false);
}

// ---- pointer and keyboard behaviour ----

void Knobix::onMouseDown(const QMouseEvent& e) {
    short button = buttonsOf(e.button()), shift = shiftOf(e.modifiers());
    float x = float(e.position().x() * kTwipsPerPixel), y = float(e.position().y() * kTwipsPerPixel);
    emit MouseDown(button, shift, x, y);
    pressed_ = false;
    if (button == kLeftButton) {  // as the receivers of MouseDown left it
        focusHover_ = true;
        layOutContent();
        paintFace(false, true);
        pressed_ = true;  // the content shifts at the next layout
    }
}

void Knobix::onMouseMove(const QMouseEvent& e) {
    if (e.buttons() & Qt::LeftButton) {
        const bool over = cursorOverControl(e.globalPosition().toPoint());
        focusHover_ = over;
        pressed_ = over;
        paintFace(focusHover_, pressed_);
        layOutContent();
    } else if (e.buttons() == Qt::NoButton && cursorOverControl(e.globalPosition().toPoint())) {
        if (!timer1_.isActive()) {
            paintFace(true, false);
            timer1_.start();
        }
    }
    short button = buttonsOf(e.buttons()), shift = shiftOf(e.modifiers());
    float x = float(e.position().x() * kTwipsPerPixel), y = float(e.position().y() * kTwipsPerPixel);
    emit MouseMove(button, shift, x, y);
}

void Knobix::onMouseUp(const QMouseEvent& e) {
    if (e.button() == Qt::LeftButton) {
        paintFace(false, false);
        pressed_ = false;
        layOutContent();
        if (cursorOverControl(e.globalPosition().toPoint())) emit Click();
    }
    short button = buttonsOf(e.button()), shift = shiftOf(e.modifiers());
    float x = float(e.position().x() * kTwipsPerPixel), y = float(e.position().y() * kTwipsPerPixel);
    emit MouseUp(button, shift, x, y);
}

void Knobix::onTimer1() {
    if (cursorOverControl(QCursor::pos())) return;
    paintFace(true, true);
    paintFace(focusHover_, pressed_);
    timer1_.stop();
}

void Knobix::onKeyDown(short keyCode, short shift) {
    focusHover_ = true;
    const bool presses = keyCode == kKeySpace || (keyCode == kKeyReturn && site_ && site_->isDefaultButton()) ||
                         (keyCode == kKeyEscape && site_ && site_->isCancelButton());
    if (presses) {
        pressed_ = true;
        paintFace(false, true);
        layOutContent();
    }
    emit KeyDown(keyCode, shift);
}

void Knobix::onKeyUp(short keyCode, short shift) {
    if (keyCode == kKeyReturn || keyCode == kKeySpace || keyCode == kKeyEscape) {
        pressed_ = false;
        focusHover_ = true;
        paintFace(false, false);
        layOutContent();
        emit Click();
    }
    emit KeyUp(keyCode, shift);
}

// The window under the cursor is this control when it is the control or one of its
// elements (a pixel outside the outline belongs to whatever lies below).
bool Knobix::cursorOverControl(const QPoint& globalPos) const {
    const QWidget* w = QApplication::widgetAt(globalPos);
    return w && (w == this || isAncestorOf(w));
}

void Knobix::changed(std::string_view name) {
    if (site_) site_->propertyChanged(name);
}

void Knobix::updateAccessKey() {
    if (accessShortcut_) releaseShortcut(accessShortcut_);
    accessShortcut_ = 0;
    const QKeySequence mnemonic = QKeySequence::mnemonic(label_->caption());
    if (!mnemonic.isEmpty()) accessShortcut_ = grabShortcut(mnemonic);
}

}  // namespace roundbutton
