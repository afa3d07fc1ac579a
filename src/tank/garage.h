#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <glm/glm.hpp>

class QDomDocument;
class QDomElement;
class RenderWidget;
class StaticMesh;

// One model of a hangar and where it stands: the hangar's matrix times its own.
struct HangarMeshEntry
{
    QString file;
    glm::mat4 matrix {1.0f};
};

// What garages.cfg says of one hangar: its package names, in document order, and its
// models.
struct HangarLayout
{
    QStringList packages;
    QVector<HangarMeshEntry> meshes;
};

// matrix x translate(Position) x rotate(Rotation) x scale(Scale), from the direct
// children of holder, each skipped when its text is empty. A rotation is "x y z
// degrees"; one about a zero-length axis is none. A value holding a number that is
// not finite is skipped with a Warning, so that a bad number cannot turn every model
// under it into NaNs.
[[nodiscard]] glm::mat4 applyHangarTransform(const glm::mat4 &matrix, const QDomElement &holder);

// The hangar named name (the root's first child element of that name) of a
// garages.cfg document; empty when there is none. A Mesh without File is left out,
// and so is one whose placement overflows to a number that is not finite (Warning).
[[nodiscard]] HangarLayout readHangarLayout(const QDomDocument &document, const QString &name);

// A static scene drawn around the tank: models from game packages, placed as
// garages.cfg in the data folder says. Loading, clearing and drawing need the view's
// context current.
class Garage : public QObject
{
public:
    explicit Garage(const QString &name);
    ~Garage() override;

    // Opens the hangar's packages (those not open yet) and loads its models; every
    // failure is logged, and what loads stays.
    virtual void load();
    void clear();
    void draw();
    [[nodiscard]] quint32 triangleCount() const;

    // The view whose context reload() makes current; not owned, null for none.
    void setView(RenderWidget *view) { mView = view; }
    [[nodiscard]] const QString &name() const { return mName; }
    [[nodiscard]] const QList<StaticMesh *> &meshes() const { return mMeshes; }

protected:
    // clear() and load() with the view's context current; for the reload slots,
    // which run outside painting.
    void reloadInView();

private:
    QList<StaticMesh *> mMeshes; // owned
    QString mName;
    RenderWidget *mView = nullptr;

    Q_DISABLE_COPY(Garage)
};

// The plain hangar; reloaded whenever the game folder changes.
class BasicGarage : public Garage
{
    Q_OBJECT

public:
    BasicGarage();

public slots:
    void reload();
};

// The premium hangar; reloaded whenever the game folder changes.
class PremiumGarage : public Garage
{
    Q_OBJECT

public:
    PremiumGarage();

public slots:
    void reload();
};
