// The memory family runs with the random family's scripted tick counter: seeding random objects
// then costs no real ticks, which keeps the allocation sweeps short.
#include "random/tick_counter_fake.cpp"
