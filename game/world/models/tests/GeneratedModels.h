#pragma once
// The generated bike and rider (the content generator's families) in a data pack of their own, loaded
// once per test program.
#include <string>

namespace kes::test {

// Builds the pack (bikes, rider and the front end's fonts) under the test's scratch folder and opens
// it as the data pack. False with *error when the generator fails.
bool OpenGeneratedModelsPack(std::string* error);
void CloseGeneratedModelsPack();

}  // namespace kes::test
