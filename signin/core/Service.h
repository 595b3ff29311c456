#pragma once

#include <QString>

// The hosting service: every account has its FTP host below this domain. The build sets it; the
// optional section "Service" of the settings file (keys "Domain" and "Port") overrides it and the
// port, for the demo, the tests or a staging server. The sign-in never writes that section.
QString serviceDomain();
QString servicePort();

// The product web page the sign-in links to.
QString productPageAddress();

// The program's title, as the platform knows it.
QString applicationTitle();
