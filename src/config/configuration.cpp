// placeholder: implementation follows
