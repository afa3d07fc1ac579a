#pragma once

#include "ui_uvgenerateform.h"

#include "tank/tankloader.h"

#include "gamedata/uvmapentry.h"

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QStringList>
#include <QVector>

class QLabel;
class QPainter;
class QProgressDialog;
class QPaintDevice;

// Paints the texture-space triangles of the loaded tank, one picture per texture,
// shows them in closable tabs and saves them as PNG, TIFF or SVG at one to four
// times the texture's size. Boxes and choosers go through core/dialogs.
class UvGenerateUI : public QDialog, public UvMeshSink
{
    Q_OBJECT

public:
    explicit UvGenerateUI(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~UvGenerateUI() override;

    // Keeps the triangles and textures and makes one empty tab per texture, titled
    // by the path's last part; the page remembers its full path for the saves.
    void buildTabs(const QVector<UvMapEntry> &entries, const QStringList &textures) override;

    // Paints every whole triangle of texturePath's entries at (u x W, v x H) on
    // device, with no vertical flip. False when painting could not begin (a file
    // that cannot be written, an empty image).
    bool paintUvMap(QPainter &painter, QPaintDevice *device, const QString &texturePath,
                    QSize size);

    // The file a texture's map is suggested as: ".dds" (any case) becomes the
    // format's extension, ".png", ".tiff" or ".svg".
    [[nodiscard]] static QString suggestedFile(const QString &texturePath, int format);

    QColor brushColour() const { return mBrushColour; }
    QColor fillColour() const { return mFillColour; }
    QColor backgroundColour() const { return mBackgroundColour; }
    float lineWidth() const { return mLineWidth; }
    bool generated() const { return mGenerated; }
    const QVector<QImage> &previews() const { return mPreviews; }
    const QStringList &textures() const { return mTextures; }

    Ui::UvGenerateForm ui;

public slots:
    void generate();
    void changeFillColour();
    void changeBrushColour();
    void changeBackgroundColour();
    void save();
    void saveActive(bool showDone);
    void saveActive();
    void closeTab(int index);
    void changeLineWidth(double value);

private:
    // Failed has been reported to the user already; Skipped means every chooser was
    // cancelled.
    enum class SaveResult { Saved, Skipped, Failed };

    SaveResult saveCurrent();
    SaveResult saveTexture(const QStringList &textures);
    bool saveOne(const QString &texturePath, const QString &file, int format, int multiplier,
                 QProgressDialog &progress);
    QColor chooseSwatch(QLabel *swatch);
    static void paintSwatch(QWidget *swatch, const QColor &colour);

    QColor mBrushColour = Qt::black;
    QColor mFillColour = Qt::white;
    QColor mBackgroundColour = Qt::white;
    QVector<UvMapEntry> mEntries;
    QStringList mTextures;
    bool mGenerated = false;
    float mLineWidth = 0.5f;
    QVector<QImage> mPreviews;

    Q_DISABLE_COPY(UvGenerateUI)
};
