// A library that is not a control: it lacks the control export, and the host
// must refuse it with a clear reason.
extern "C" __attribute__((visibility("default"))) int brindle_not_a_control() {
    return 1;
}
