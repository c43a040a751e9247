#include "process/EncoderImageName.h"

QString& EncoderImageName() {
    static QString name;
    return name;
}
