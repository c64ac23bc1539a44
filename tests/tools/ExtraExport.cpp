// The test effect built to export a name beyond its entry point.
extern "C" __attribute__((visibility("default"))) int brokenEffectVersion() {
    return 1;
}
