#include "raw_list_line.h"

#include <QStringList>

#include "texts.h"

QString rawListLine(long long recCount, bool single, const QString& d1v, const QString& d1u,
                    const QString& d2v, const QString& d2u, const QString& time,
                    const QString& date)
{
    QStringList f{texts::numberText(double(recCount)), d1v, d1u};
    if (!single)
        f << d2v << d2u;
    f << time << date;
    return f.join(u',');
}
