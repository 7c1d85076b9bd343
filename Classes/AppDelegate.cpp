#include "Classes/AppDelegate.h"

AppDelegate::AppDelegate(QObject* parent) : QObject(parent) {}

void AppDelegate::applicationDidFinishLaunching() {}
