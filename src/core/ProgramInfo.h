#pragma once

#include <QString>

// The product's identity in one place: name, version text and web site.
class ProgramInfo
{
public:
    // Sets the product strings once at start-up.
    static void InitProductInfo(const QString &version);

    static QString ProductName(); // "Quarnel"
    static QString ProductVersion(); // "Main"/"Version" of the preferences, "2.0" by default
    static QString WebsiteUrl();

    // ProductName + " V" + ProductVersion.
    static QString MainCaption();
    // The name from the character after its first blank; a name without a blank whole.
    static QString HeaderName(const QString &productName);
};
