// A file whose version resource the About box test reads; never run.
int main() {
  return 0;
}
