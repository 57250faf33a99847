// A source for the layer probes' libraries, which need one: nothing in it.
