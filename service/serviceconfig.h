#pragma once

#include <QString>

// The plain-HTTP loopback address used when config.json gives no usable "api_base_url".
QString defaultApiBaseUrl();

// The base address named by the config file at configPath, without trailing slashes.
// A missing, unreadable or malformed file, or one without the key, gives the default;
// a key that is not a string gives the empty address.
QString apiBaseUrlFromConfig(const QString &configPath);

// config.json beside the executable.
QString configFilePath();

// apiBaseUrlFromConfig(configFilePath()), read anew on every call.
QString resolveApiBaseUrl();
