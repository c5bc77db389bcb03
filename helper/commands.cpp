// Commands of uvcc-helper.
